// The clock dialog against a fixed PC clock, and the date/time overlay table
// dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/date_time.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {
namespace {

using D = CDateTimeSetDlg;

constexpr int kSetButtons[] = {D::kYearSet, D::kMonthSet, D::kDaySet, D::kHourSet, D::kMinuteSet, D::kSecondSet};
constexpr int kLists[] = {D::kYearList, D::kMonthList, D::kDayList, D::kHourList, D::kMinuteList, D::kSecondList};

class ClockDialog : public DialogTest {
 protected:
  void open_at(LocalDateTime t) {
    open(std::make_unique<CDateTimeSetDlg>(ctx, [t] { return t; }));
  }
  std::string shown(int list) { return top()->combo(list).selected_text(); }
};

TEST_F(ClockDialog, ListsShowThePcClockAndEachSetSendsItsField) {
  open_at({2009, 3, 7, 14, 5, 9});
  Lines texts;
  for (int list : kLists) texts.push_back(shown(list));
  EXPECT_EQ(texts, (Lines{"2009", "3", "7", "14", "5", "9"}));
  for (int button : kSetButtons) press(button);
  press(D::kAdjustSet);
  EXPECT_EQ(take_lines(), (Lines{"DSY09\r\n", "DSM03\r\n", "DSD07\r\n", "TSH14\r\n", "TSM05\r\n", "TSS09\r\n",
                                 "TSA\r\n"}));
}

TEST_F(ClockDialog, ChoicesAreSentAsChosenWithoutCheckingTheDate) {
  open_at({2009, 3, 7, 14, 5, 9});
  pick(D::kMonthList, 1);   // "2"
  pick(D::kDayList, 30);    // "31"
  pick(D::kYearList, 0);    // "2000"
  pick(D::kHourList, 0);    // "0"
  EXPECT_TRUE(take_lines().empty());  // a list change sends nothing
  press(D::kMonthSet);
  press(D::kDaySet);
  press(D::kYearSet);
  press(D::kHourSet);
  EXPECT_EQ(take_lines(), (Lines{"DSM02\r\n", "DSD31\r\n", "DSY00\r\n", "TSH00\r\n"}));
}

TEST_F(ClockDialog, YearOutsideTheListSendsNothingAndSaysWhy) {
  for (int year : {1999, 2100}) {
    SCOPED_TRACE(year);
    open_at({year, 1, 2, 3, 4, 5});
    EXPECT_EQ(top()->combo(D::kYearList).selection(), -1);
    press(D::kYearSet);
    EXPECT_TRUE(take_lines().empty());
    ASSERT_EQ(box_texts().size(), 1u);
    EXPECT_NE(box_texts()[0].find(std::to_string(year)), std::string::npos);
    EXPECT_NE(box_texts()[0].find("2000～2099"), std::string::npos);
    EXPECT_EQ(ui->shown_boxes().back().form.icon, ui::MessageIcon::Warning);
    ui->answer_box(BoxResult::Ok);
    ui->clear_shown_boxes();
    // The other fields still go out, and a chosen year does too.
    press(D::kMonthSet);
    pick(D::kYearList, 99);
    press(D::kYearSet);
    EXPECT_EQ(take_lines(), (Lines{"DSM01\r\n", "DSY99\r\n"}));
    while (ui->message_box_open()) ui->answer_box(BoxResult::Ok);
    ui->clear_shown_boxes();
    top()->end_dialog(ui::kIdOk);
  }
}

// ------------------------------------------------------ date/time display

constexpr int kOutputList = 1051;
constexpr int kDisplayList = 1052;
constexpr int kSameList = 1053;
constexpr int kTable = 1049;

class DatetimeDisplay : public DialogTest {
 protected:
  void open_dialog() { open(std::make_unique<CDateTimeDisplayDlg>(ctx)); }
};

TEST_F(DatetimeDisplay, ListsAndTableOfModelZero) {
  doc().datetime_display[2] = 0;
  open_dialog();
  EXPECT_EQ(entries(kOutputList), (Lines{"1", "2", "3", "4", "5", "6", "7", "8"}));
  EXPECT_TRUE(shows(kTable, "out03 = OFF"));
  EXPECT_TRUE(shows(kTable, "out08 = ON"));
  EXPECT_FALSE(shows(kTable, "out09"));
  EXPECT_EQ(top()->caption(), "日付・時刻表示設定 File Name ");
}

TEST_F(DatetimeDisplay, SameForAllSetsEveryOutputWhateverTheModel) {
  doc().model_index = 1;
  doc().datetime_display.fill(0);
  doc().current_output = 3;
  open_dialog();
  EXPECT_EQ(top()->combo(kSameList).selected_text(), "OFF");
  pick(kSameList, 1);
  for (int o = 0; o < kMaxOutputs; ++o) EXPECT_EQ(doc().datetime_display[o], 1) << o;
  EXPECT_EQ(top()->combo(kDisplayList).selected_text(), "ON");
  EXPECT_TRUE(shows(kTable, "out12 = ON"));
  EXPECT_TRUE(take_lines().empty());
  pick(kOutputList, 5);
  pick(kDisplayList, 0);
  EXPECT_EQ(doc().current_output, 5);
  EXPECT_EQ(doc().datetime_display[5], 0);
  EXPECT_TRUE(shows(kTable, "out06 = OFF"));
}

TEST(DatetimeDisplayCommand, OutputsAndFlags) {
  SettingsStore doc_;
  reset_to_defaults(doc_);
  doc_.datetime_display[15] = 0;
  EXPECT_EQ(datetime_display_command(doc_, 0), "TO01ON\r\n");
  EXPECT_EQ(datetime_display_command(doc_, 15), "TO16OF\r\n");
  EXPECT_EQ(datetime_display_command(doc_, 16), "");
  EXPECT_EQ(datetime_display_command(doc_, -1), "");
}

}  // namespace
}  // namespace klvc
