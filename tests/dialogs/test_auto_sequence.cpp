// The automatic sequence dialogs: SKIP/LIVE per input and output with its
// two-level batch, and the dwell time per output.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/auto_sequence.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {
namespace {

using Lines = std::vector<std::string>;
using S = CSkipLiveDlg;

constexpr int kSkipLiveTable = 1064;
constexpr int kDwellOutputList = 1047, kTimeList = 1048, kSameTimeList = 1050, kDwellTable = 1065;

// "ASM0210L\r\n": output first, then input, then the flag.
std::string asm_line(int output, int input, char flag) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "ASM%02d%02d%c\r\n", output, input, flag);
  return buf;
}

class AutoSequence : public DialogTest {
 protected:
  std::string table_text(int table) { return top()->table(table).painted_text(); }
  bool shows(int table, const std::string& text) { return table_text(table).find(text) != std::string::npos; }
};

TEST(AutoSequenceCommands, OutputComesBeforeInput) {
  reset_whole_store();
  EXPECT_EQ(sequence_live_command(9, 1), "ASM0210L\r\n");
  store().sequence_live[sequence_live_index(63, 15)] = 0;
  EXPECT_EQ(sequence_live_command(63, 15), "ASM1664S\r\n");
  EXPECT_EQ(sequence_live_command(64, 0), "");
  EXPECT_EQ(sequence_live_command(0, 16), "");
  EXPECT_EQ(dwell_time_command(0), "AST0104\r\n");
  store().dwell_times[2] = 9;
  EXPECT_EQ(dwell_time_command(2), "AST0310\r\n");
  store().dwell_times[15] = 59;
  EXPECT_EQ(dwell_time_command(15), "AST1660\r\n");
  EXPECT_EQ(dwell_time_command(16), "");
  store().dwell_times[3] = 60;  // 61 s is not a time the list offers
  EXPECT_EQ(dwell_time_command(3), "");
}

TEST_F(AutoSequence, SkipLiveBatchOfModelZeroRunsInputMajor) {
  store().sequence_live[sequence_live_index(2, 5)] = 0;   // input 3 on output 6
  store().sequence_live[sequence_live_index(27, 7)] = 0;  // input 28 on output 8
  open(std::make_unique<CSkipLiveDlg>());
  press(kIdSet);
  ui->advance(99);
  EXPECT_TRUE(take_lines().empty());
  ui->advance(1);
  EXPECT_EQ(take_lines(), (Lines{"ASM0101L\r\n"}));
  ui->advance(700);  // the first input's eight outputs
  EXPECT_EQ(top()->progress(kIdProgress).pos(), 1);
  EXPECT_EQ(top()->progress(kIdProgress).hi(), 28);
  ui->advance(100 * (224 - 8));
  Lines expected;
  for (int input = 1; input <= 28; ++input) {
    for (int output = 1; output <= 8; ++output) {
      bool skip = (input == 3 && output == 6) || (input == 28 && output == 8);
      if (input > 1 || output > 1) expected.push_back(asm_line(output, input, skip ? 'S' : 'L'));
    }
  }
  Lines sent = take_lines();
  EXPECT_EQ(sent.size(), 223u);
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(store().batch_step, 0);
  EXPECT_EQ(top()->progress(kIdProgress).pos(), 0);
  EXPECT_EQ(sim.state().sequence_live[sequence_live_index(2, 5)], 0);
  ui->advance(1000);
  EXPECT_TRUE(take_lines().empty());
}

TEST_F(AutoSequence, SkipLiveBatchCoversEveryModel) {
  const int inputs[] = {28, 24, 32, 48, 64};
  const int outputs[] = {8, 12, 16, 16, 16};
  for (int model = 0; model < kModelCount; ++model) {
    SCOPED_TRACE(model);
    store().model_index = model;
    open(std::make_unique<CSkipLiveDlg>());
    press(kIdSet);
    ui->advance(100 * inputs[model] * outputs[model]);
    Lines sent = take_lines();
    ASSERT_EQ(sent.size(), static_cast<std::size_t>(inputs[model] * outputs[model]));
    EXPECT_EQ(sent.back(), asm_line(outputs[model], inputs[model], 'L'));
    EXPECT_EQ(store().batch_step, 0);
    top()->end_dialog(ui::kIdOk);
  }
}

TEST_F(AutoSequence, TableShowsTheSelectedOutputsColumn) {
  store().model_index = 2;
  store().sequence_live[sequence_live_index(4, 2)] = 0;
  open(std::make_unique<CSkipLiveDlg>());
  EXPECT_TRUE(shows(kSkipLiveTable, "ch05 = LIVE"));
  EXPECT_EQ(top()->caption(), "自動切換えSKIP設定 File Name ");
  pick(S::kInputList, 4);
  EXPECT_EQ(top()->combo(S::kSkipLiveList).selected_text(), "LIVE");
  pick(S::kOutputList, 2);
  EXPECT_TRUE(shows(kSkipLiveTable, "ch05 = SKIP"));
  EXPECT_EQ(top()->combo(S::kSkipLiveList).selected_text(), "SKIP");
  pick(S::kSkipLiveList, 1);
  EXPECT_EQ(store().sequence_live[sequence_live_index(4, 2)], 1);
  EXPECT_TRUE(shows(kSkipLiveTable, "ch05 = LIVE"));
  pick(S::kInputList, 6);
  pick(S::kSkipLiveList, 0);
  EXPECT_EQ(store().sequence_live[sequence_live_index(6, 2)], 0);
  EXPECT_EQ(store().current_input, 6);
  EXPECT_EQ(store().current_output, 2);
  EXPECT_TRUE(take_lines().empty());
}

TEST_F(AutoSequence, SkipLiveListsAndPagesFollowTheModel) {
  store().model_index = 3;
  store().current_input = 39;
  open(std::make_unique<CSkipLiveDlg>());
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

TEST_F(AutoSequence, DwellTimesAreShownInSecondsAndSentPerOutput) {
  store().model_index = 1;
  store().dwell_times[2] = 9;
  open(std::make_unique<CDwellTimeDlg>());
  EXPECT_EQ(entries(kDwellOutputList).size(), 12u);
  EXPECT_EQ(entries(kTimeList).size(), 60u);
  EXPECT_EQ(top()->combo(kTimeList).selected_text(), "4");
  EXPECT_EQ(top()->combo(kSameTimeList).selected_text(), "3");
  EXPECT_EQ(top()->button(ui::kIdCancel).label(), "Cancel");
  EXPECT_TRUE(shows(kDwellTable, "out01 = 4 秒"));
  EXPECT_TRUE(shows(kDwellTable, "out03 = 10 秒"));
  EXPECT_FALSE(shows(kDwellTable, "out13"));
  EXPECT_EQ(top()->caption(), "自動切換え時間設定 File Name ");
  press(kIdSet);
  ui->advance(1200);
  Lines expected;
  for (int o = 1; o <= 12; ++o) expected.push_back(o == 3 ? "AST0310\r\n" : "AST" + std::string(o < 10 ? "0" : "") +
                                                                 std::to_string(o) + "04\r\n");
  EXPECT_EQ(take_lines(), expected);
  EXPECT_EQ(sim.state().dwell_times[2], 9);
}

TEST_F(AutoSequence, SameTimeForAllSetsEveryOutput) {
  store().dwell_times[5] = 20;
  open(std::make_unique<CDwellTimeDlg>());
  pick(kSameTimeList, 59);
  for (int o = 0; o < kMaxOutputs; ++o) EXPECT_EQ(store().dwell_times[o], 59) << o;
  EXPECT_EQ(top()->combo(kTimeList).selected_text(), "60");
  EXPECT_TRUE(shows(kDwellTable, "out08 = 60 秒"));
  EXPECT_TRUE(take_lines().empty());
}

}  // namespace
}  // namespace klvc
