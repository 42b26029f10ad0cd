// Alarm input and output terminal dialogs: tables, lists and the shared
// alarm channel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/alarm_terminals.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {
namespace {

using O = CAlarmOutputDlg;

constexpr int kTerminalList = 1037, kChannelList = 1038, kSameList = 1039, kInputTable = 1036;
constexpr int kOutputTable = 1063;

class AlarmTerminals : public DialogTest {};

TEST(AlarmTerminalCommands, TerminalAndChannelFields) {
  SettingsStore doc_;
  reset_to_defaults(doc_);
  doc_.alarm_input_channels[2] = 11;
  EXPECT_EQ(alarm_input_terminal_command(doc_, 2), "AIS0312\r\n");
  EXPECT_EQ(alarm_input_terminal_command(doc_, 23), "AIS2424\r\n");
  EXPECT_EQ(alarm_input_terminal_command(doc_, 24), "");
  doc_.alarm_outputs[alarm_output_index(11, 1)] = 1;
  EXPECT_EQ(alarm_output_command(doc_, 11, 1), "AMO1202ON\r\n");
  EXPECT_EQ(alarm_output_command(doc_, 63, 3), "AMO6404OF\r\n");
  EXPECT_EQ(alarm_output_command(doc_, 64, 0), "");
  EXPECT_EQ(alarm_output_command(doc_, 0, 4), "");
}

TEST_F(AlarmTerminals, InputListsAndTableOfModelZero) {
  open(std::make_unique<CAlarmInputDlg>(ctx));
  EXPECT_EQ(entries(kTerminalList).size(), 16u);
  EXPECT_EQ(entries(kChannelList).size(), 28u);
  EXPECT_EQ(entries(kSameList).size(), 28u);
  EXPECT_TRUE(shows(kInputTable, "In05 = 5"));
  EXPECT_TRUE(shows(kInputTable, "In16 = 16"));
  EXPECT_FALSE(shows(kInputTable, "In17"));
  EXPECT_EQ(top()->caption(), "入力アラーム設定 File Name ");
}

TEST_F(AlarmTerminals, SameChannelForAllTerminals) {
  doc().model_index = 4;
  doc().alarm_channel = 2;
  open(std::make_unique<CAlarmInputDlg>(ctx));
  EXPECT_EQ(top()->combo(kSameList).selected_text(), "1");
  pick(kSameList, 6);
  for (int t = 0; t < kMaxAlarmInputTerminals; ++t) EXPECT_EQ(doc().alarm_input_channels[t], 6) << t;
  EXPECT_EQ(doc().alarm_channel, 2);  // the same-for-all list leaves it
  for (const auto& item : top()->table(kInputTable).items()) {
    EXPECT_EQ(item.text.substr(4), " = 7") << item.text;
  }
  EXPECT_EQ(top()->table(kInputTable).items().size(), 24u);
}

TEST_F(AlarmTerminals, AssignedChannelBecomesTheOutputDialogsChannel) {
  doc().model_index = 2;
  open(std::make_unique<CAlarmInputDlg>(ctx));
  pick(kTerminalList, 2);
  pick(kChannelList, 11);
  EXPECT_EQ(doc().alarm_input_terminal, 2);
  EXPECT_EQ(doc().alarm_input_channels[2], 11);
  EXPECT_EQ(doc().alarm_channel, 11);
  EXPECT_TRUE(shows(kInputTable, "In03 = 12"));
  pick(kTerminalList, 0);
  EXPECT_EQ(top()->combo(kChannelList).selected_text(), "1");
  top()->end_dialog(ui::kIdOk);

  open(std::make_unique<CAlarmOutputDlg>(ctx));
  EXPECT_EQ(top()->combo(O::kChannelList).selected_text(), "12");
}

TEST_F(AlarmTerminals, OutputListAndTableOfTheModelsWithThreeTerminals) {
  for (int model : {0, 1}) {
    SCOPED_TRACE(model);
    doc().model_index = model;
    open(std::make_unique<CAlarmOutputDlg>(ctx));
    EXPECT_EQ(entries(O::kTerminalList), (Lines{"1", "2", "3"}));
    EXPECT_TRUE(shows(kOutputTable, "ch05 = Of Of Of  "));
    top()->end_dialog(ui::kIdOk);
  }
}

TEST_F(AlarmTerminals, OutputTableRowsAndLists) {
  doc().model_index = 2;
  doc().alarm_channel = 4;
  doc().alarm_output_terminal = 1;
  open(std::make_unique<CAlarmOutputDlg>(ctx));
  EXPECT_EQ(entries(O::kTerminalList).size(), 4u);
  EXPECT_EQ(top()->combo(O::kOnOffList).selected_text(), "OFF");
  pick(O::kOnOffList, 1);
  EXPECT_EQ(doc().alarm_outputs[alarm_output_index(4, 1)], 1);
  EXPECT_TRUE(shows(kOutputTable, "ch05 = Of On Of Of"));
  pick(O::kTerminalList, 3);
  EXPECT_EQ(doc().alarm_output_terminal, 3);
  EXPECT_EQ(top()->combo(O::kOnOffList).selected_text(), "OFF");
  pick(O::kChannelList, 0);
  pick(O::kOnOffList, 1);
  EXPECT_EQ(doc().alarm_channel, 0);
  EXPECT_TRUE(shows(kOutputTable, "ch01 = Of Of Of On"));
  EXPECT_TRUE(take_lines().empty());
}

TEST_F(AlarmTerminals, OutputTablePagesFollowTheChannel) {
  doc().model_index = 4;
  doc().alarm_channel = 39;
  open(std::make_unique<CAlarmOutputDlg>(ctx));
  EXPECT_TRUE(shows(kOutputTable, "ch33 = "));
  EXPECT_TRUE(shows(kOutputTable, "ch64 = "));
  EXPECT_FALSE(shows(kOutputTable, "ch32"));
  pick(O::kChannelList, 9);
  EXPECT_TRUE(shows(kOutputTable, "ch01 = "));
  EXPECT_FALSE(shows(kOutputTable, "ch33"));
}

}  // namespace
}  // namespace klvc
