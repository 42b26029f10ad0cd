// The alarm settings dialog: each list goes into the store at once, each Set
// button sends its one setting, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/alarm_settings.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {
namespace {

using D = CAlarmSetDlg;

class AlarmSettings : public DialogTest {
 protected:
  void open_dialog() { open(std::make_unique<CAlarmSetDlg>(ctx)); }
};

TEST_F(AlarmSettings, DefaultsShowAndSendAsStored) {
  open_dialog();
  EXPECT_EQ(top()->combo(D::kHoldTimeList).selected_text(), "10");
  EXPECT_EQ(top()->combo(D::kPolarityList).selected_text(), "MAKE");
  EXPECT_EQ(entries(D::kHoldTimeList).front(), "01");
  EXPECT_EQ(entries(D::kHoldTimeList).back(), "60");
  for (int set : {D::kHoldTimeSet, D::kPolaritySet, D::kReturnSet, D::kBuzzerSet, D::kMemoryNumberSet}) press(set);
  EXPECT_EQ(take_lines(), (Lines{"ADT10\r\n", "AICM\r\n", "AROF\r\n", "BZOF\r\n", "MNOF\r\n"}));
  // A single command's "GO" is confirmed.
  EXPECT_EQ(box_texts(), Lines(5, "Success"));
}

TEST_F(AlarmSettings, EachListChoiceIsSentByItsOwnButton) {
  open_dialog();
  const struct {
    int list, entry, set;
    const char* line;
  } choices[] = {
      {D::kHoldTimeList, 59, D::kHoldTimeSet, "ADT60\r\n"}, {D::kHoldTimeList, 0, D::kHoldTimeSet, "ADT01\r\n"},
      {D::kPolarityList, 1, D::kPolaritySet, "AICB\r\n"},   {D::kPolarityList, 0, D::kPolaritySet, "AICM\r\n"},
      {D::kReturnList, 1, D::kReturnSet, "ARON\r\n"},       {D::kBuzzerList, 1, D::kBuzzerSet, "BZON\r\n"},
      {D::kMemoryNumberList, 1, D::kMemoryNumberSet, "MNON\r\n"},
  };
  for (const auto& c : choices) {
    pick(c.list, c.entry);
    press(c.set);
    EXPECT_EQ(take_lines(), Lines{c.line});
  }
}

TEST_F(AlarmSettings, ListChangesReachTheStoreWithoutSending) {
  open_dialog();
  pick(D::kHoldTimeList, 29);
  pick(D::kPolarityList, 1);
  pick(D::kReturnList, 1);
  pick(D::kBuzzerList, 1);
  pick(D::kMemoryNumberList, 1);
  press(ui::kIdCancel);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(doc().alarm_hold_time, 29);
  EXPECT_EQ(doc().alarm_polarity, 1);
  EXPECT_EQ(doc().alarm_return, 1);
  EXPECT_EQ(doc().buzzer_output, 1);
  EXPECT_EQ(doc().memory_number_display, 1);
  // The builders read the store, not a dialog.
  EXPECT_EQ(alarm_hold_time_command(doc()), "ADT30\r\n");
  EXPECT_EQ(alarm_polarity_command(doc()), "AICB\r\n");
}

TEST_F(AlarmSettings, OpensOnTheStoredValues) {
  doc().alarm_hold_time = 4;
  doc().alarm_polarity = 1;
  doc().buzzer_output = 1;
  open_dialog();
  EXPECT_EQ(top()->combo(D::kHoldTimeList).selected_text(), "05");
  EXPECT_EQ(top()->combo(D::kPolarityList).selected_text(), "BREAK");
  EXPECT_EQ(top()->combo(D::kBuzzerList).selected_text(), "ON");
  EXPECT_EQ(top()->combo(D::kReturnList).selected_text(), "OFF");
}

}  // namespace
}  // namespace klvc
