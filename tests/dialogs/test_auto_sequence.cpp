// The automatic sequence dialogs: SKIP/LIVE per input and output, and the
// dwell time per output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/auto_sequence.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {
namespace {

using S = CSkipLiveDlg;

constexpr int kSkipLiveTable = 1064;
constexpr int kDwellOutputList = 1047, kTimeList = 1048, kSameTimeList = 1050, kDwellTable = 1065;

class AutoSequence : public DialogTest {};

TEST(AutoSequenceCommands, OutputComesBeforeInput) {
  SettingsStore doc_;
  reset_to_defaults(doc_);
  EXPECT_EQ(sequence_live_command(doc_, 9, 1), "ASM0210L\r\n");
  doc_.sequence_live[sequence_live_index(63, 15)] = 0;
  EXPECT_EQ(sequence_live_command(doc_, 63, 15), "ASM1664S\r\n");
  EXPECT_EQ(sequence_live_command(doc_, 64, 0), "");
  EXPECT_EQ(sequence_live_command(doc_, 0, 16), "");
  EXPECT_EQ(dwell_time_command(doc_, 0), "AST0104\r\n");
  doc_.dwell_times[2] = 9;
  EXPECT_EQ(dwell_time_command(doc_, 2), "AST0310\r\n");
  doc_.dwell_times[15] = 59;
  EXPECT_EQ(dwell_time_command(doc_, 15), "AST1660\r\n");
  EXPECT_EQ(dwell_time_command(doc_, 16), "");
  doc_.dwell_times[3] = 60;  // 61 s is not a time the list offers
  EXPECT_EQ(dwell_time_command(doc_, 3), "");
}

TEST_F(AutoSequence, TableShowsTheSelectedOutputsColumn) {
  doc().model_index = 2;
  doc().sequence_live[sequence_live_index(4, 2)] = 0;
  open(std::make_unique<CSkipLiveDlg>(ctx));
  EXPECT_TRUE(shows(kSkipLiveTable, "ch05 = LIVE"));
  EXPECT_EQ(top()->caption(), "自動切換えSKIP設定 File Name ");
  pick(S::kInputList, 4);
  EXPECT_EQ(top()->combo(S::kSkipLiveList).selected_text(), "LIVE");
  pick(S::kOutputList, 2);
  EXPECT_TRUE(shows(kSkipLiveTable, "ch05 = SKIP"));
  EXPECT_EQ(top()->combo(S::kSkipLiveList).selected_text(), "SKIP");
  pick(S::kSkipLiveList, 1);
  EXPECT_EQ(doc().sequence_live[sequence_live_index(4, 2)], 1);
  EXPECT_TRUE(shows(kSkipLiveTable, "ch05 = LIVE"));
  pick(S::kInputList, 6);
  pick(S::kSkipLiveList, 0);
  EXPECT_EQ(doc().sequence_live[sequence_live_index(6, 2)], 0);
  EXPECT_EQ(doc().current_input, 6);
  EXPECT_EQ(doc().current_output, 2);
  EXPECT_TRUE(take_lines().empty());
}

TEST_F(AutoSequence, SkipLiveListsAndPagesFollowTheModel) {
  doc().model_index = 3;
  doc().current_input = 39;
  open(std::make_unique<CSkipLiveDlg>(ctx));
  EXPECT_EQ(entries(S::kInputList).size(), 48u);
  EXPECT_EQ(entries(S::kOutputList).size(), 16u);
  EXPECT_EQ(entries(S::kSkipLiveList), (Lines{"SKIP", "LIVE"}));
  EXPECT_TRUE(shows(kSkipLiveTable, "ch33 = LIVE"));
  EXPECT_TRUE(shows(kSkipLiveTable, "ch48 = LIVE"));
  EXPECT_FALSE(shows(kSkipLiveTable, "ch32"));
  EXPECT_FALSE(shows(kSkipLiveTable, "ch49"));
  // ch33 sits at the first column's top.
  EXPECT_EQ(top()->table(kSkipLiveTable).items().front().x, 0);
  EXPECT_EQ(top()->table(kSkipLiveTable).items().front().y, 0);
  pick(S::kInputList, 0);
  EXPECT_TRUE(shows(kSkipLiveTable, "ch01 = LIVE"));
  EXPECT_FALSE(shows(kSkipLiveTable, "ch33"));
}

TEST_F(AutoSequence, DwellTimesAreShownInSeconds) {
  doc().model_index = 1;
  doc().dwell_times[2] = 9;
  open(std::make_unique<CDwellTimeDlg>(ctx));
  EXPECT_EQ(entries(kDwellOutputList).size(), 12u);
  EXPECT_EQ(entries(kTimeList).size(), 60u);
  EXPECT_EQ(top()->combo(kTimeList).selected_text(), "4");
  EXPECT_EQ(top()->combo(kSameTimeList).selected_text(), "3");
  EXPECT_EQ(top()->button(ui::kIdCancel).label(), "Cancel");
  EXPECT_TRUE(shows(kDwellTable, "out01 = 4 秒"));
  EXPECT_TRUE(shows(kDwellTable, "out03 = 10 秒"));
  EXPECT_FALSE(shows(kDwellTable, "out13"));
  EXPECT_EQ(top()->caption(), "自動切換え時間設定 File Name ");
}

TEST_F(AutoSequence, SameTimeForAllSetsEveryOutput) {
  doc().dwell_times[5] = 20;
  open(std::make_unique<CDwellTimeDlg>(ctx));
  pick(kSameTimeList, 59);
  for (int o = 0; o < kMaxOutputs; ++o) EXPECT_EQ(doc().dwell_times[o], 59) << o;
  EXPECT_EQ(top()->combo(kTimeList).selected_text(), "60");
  EXPECT_TRUE(shows(kDwellTable, "out08 = 60 秒"));
  EXPECT_TRUE(take_lines().empty());
}

}  // namespace
}  // namespace klvc
