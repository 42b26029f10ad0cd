// Alarm input and output terminal dialogs: tables, lists, the shared alarm
// channel and the exact lines of both batches.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/alarm_terminals.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {
namespace {

using Lines = std::vector<std::string>;
using O = CAlarmOutputDlg;

constexpr int kTerminalList = 1037, kChannelList = 1038, kSameList = 1039, kInputTable = 1036;
constexpr int kOutputTable = 1063;

std::string ais_line(int terminal, int channel) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "AIS%02d%02d\r\n", terminal, channel);
  return buf;
}

// "AMO1202ON\r\n": channel, a '0', the terminal digit, the flag.
std::string amo_line(int channel, int terminal, bool on) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "AMO%02d0%d%s\r\n", channel, terminal, on ? "ON" : "OF");
  return buf;
}

class AlarmTerminals : public DialogTest {
 protected:
  std::string table_text(int table) { return top()->table(table).painted_text(); }
  bool shows(int table, const std::string& text) { return table_text(table).find(text) != std::string::npos; }
};

TEST(AlarmTerminalCommands, TerminalAndChannelFields) {
  reset_whole_store();
  store().alarm_input_channels[2] = 11;
  EXPECT_EQ(alarm_input_terminal_command(2), "AIS0312\r\n");
  EXPECT_EQ(alarm_input_terminal_command(23), "AIS2424\r\n");
  EXPECT_EQ(alarm_input_terminal_command(24), "");
  store().alarm_outputs[alarm_output_index(11, 1)] = 1;
  EXPECT_EQ(alarm_output_command(11, 1), "AMO1202ON\r\n");
  EXPECT_EQ(alarm_output_command(63, 3), "AMO6404OF\r\n");
  EXPECT_EQ(alarm_output_command(64, 0), "");
  EXPECT_EQ(alarm_output_command(0, 4), "");
}

TEST_F(AlarmTerminals, InputBatchOfModelZeroWithDefaults) {
  open(std::make_unique<CAlarmInputDlg>());
  EXPECT_EQ(entries(kTerminalList).size(), 16u);
  EXPECT_EQ(entries(kChannelList).size(), 28u);
  EXPECT_EQ(entries(kSameList).size(), 28u);
  EXPECT_TRUE(shows(kInputTable, "In05 = 5"));
  EXPECT_TRUE(shows(kInputTable, "In16 = 16"));
  EXPECT_FALSE(shows(kInputTable, "In17"));
  EXPECT_EQ(top()->caption(), "入力アラーム設定 File Name ");
  press(kIdSet);
  ui->advance(1600);
  Lines expected;
  for (int t = 1; t <= 16; ++t) expected.push_back(ais_line(t, t));
  EXPECT_EQ(take_lines(), expected);
  EXPECT_EQ(top()->progress(kIdProgress).hi(), 16);
  EXPECT_EQ(top()->progress(kIdProgress).pos(), 0);
  EXPECT_EQ(store().batch_step, 0);
}

TEST_F(AlarmTerminals, SameChannelForAllTerminals) {
  store().model_index = 4;
  store().alarm_channel = 2;
  open(std::make_unique<CAlarmInputDlg>());
  EXPECT_EQ(top()->combo(kSameList).selected_text(), "1");
  pick(kSameList, 6);
  for (int t = 0; t < kMaxAlarmInputTerminals; ++t) EXPECT_EQ(store().alarm_input_channels[t], 6) << t;
  EXPECT_EQ(store().alarm_channel, 2);  // the same-for-all list leaves it
  for (const auto& item : top()->table(kInputTable).items()) {
    EXPECT_EQ(item.text.substr(4), " = 7") << item.text;
  }
  EXPECT_EQ(top()->table(kInputTable).items().size(), 24u);
  press(kIdSet);
  ui->advance(2400);
  EXPECT_EQ(take_lines().back(), "AIS2407\r\n");
}

TEST_F(AlarmTerminals, AssignedChannelBecomesTheOutputDialogsChannel) {
  store().model_index = 2;
  open(std::make_unique<CAlarmInputDlg>());
  pick(kTerminalList, 2);
  pick(kChannelList, 11);
  EXPECT_EQ(store().alarm_input_terminal, 2);
  EXPECT_EQ(store().alarm_input_channels[2], 11);
  EXPECT_EQ(store().alarm_channel, 11);
  EXPECT_TRUE(shows(kInputTable, "In03 = 12"));
  pick(kTerminalList, 0);
  EXPECT_EQ(top()->combo(kChannelList).selected_text(), "1");
  top()->end_dialog(ui::kIdOk);

  open(std::make_unique<CAlarmOutputDlg>());
  EXPECT_EQ(top()->combo(O::kChannelList).selected_text(), "12");
}

TEST_F(AlarmTerminals, OutputBatchOfModelZeroIsChannelMajor) {
  store().alarm_outputs[alarm_output_index(0, 1)] = 1;
  store().alarm_outputs[alarm_output_index(27, 2)] = 1;
  store().alarm_outputs[alarm_output_index(27, 3)] = 1;  // a fourth terminal model 0 lacks
  open(std::make_unique<CAlarmOutputDlg>());
  EXPECT_EQ(entries(O::kTerminalList), (Lines{"1", "2", "3"}));
  press(kIdSet);
  ui->advance(300);
  EXPECT_EQ(top()->progress(kIdProgress).pos(), 1);
  EXPECT_EQ(top()->progress(kIdProgress).hi(), 28);
  ui->advance(8100);
  Lines expected;
  for (int c = 1; c <= 28; ++c) {
    for (int t = 1; t <= 3; ++t) expected.push_back(amo_line(c, t, (c == 1 && t == 2) || (c == 28 && t == 3)));
  }
  EXPECT_EQ(take_lines(), expected);
  EXPECT_EQ(expected.size(), 84u);
  EXPECT_EQ(store().batch_step, 0);
  EXPECT_EQ(top()->progress(kIdProgress).pos(), 0);
  EXPECT_EQ(sim.state().alarm_outputs[alarm_output_index(27, 2)], 1);
}

TEST_F(AlarmTerminals, OutputBatchOfModelOne) {
  store().model_index = 1;
  open(std::make_unique<CAlarmOutputDlg>());
  EXPECT_TRUE(shows(kOutputTable, "ch05 = Of Of Of  "));
  press(kIdSet);
  ui->advance(7200);
  Lines sent = take_lines();
  ASSERT_EQ(sent.size(), 72u);
  EXPECT_EQ(sent.front(), "AMO0101OF\r\n");
  EXPECT_EQ(sent.back(), "AMO2403OF\r\n");
  EXPECT_EQ(top()->progress(kIdProgress).pos(), 0);
}

TEST_F(AlarmTerminals, OutputTableRowsAndLists) {
  store().model_index = 2;
  store().alarm_channel = 4;
  store().alarm_output_terminal = 1;
  open(std::make_unique<CAlarmOutputDlg>());
  EXPECT_EQ(entries(O::kTerminalList).size(), 4u);
  EXPECT_EQ(top()->combo(O::kOnOffList).selected_text(), "OFF");
  pick(O::kOnOffList, 1);
  EXPECT_EQ(store().alarm_outputs[alarm_output_index(4, 1)], 1);
  EXPECT_TRUE(shows(kOutputTable, "ch05 = Of On Of Of"));
  pick(O::kTerminalList, 3);
  EXPECT_EQ(store().alarm_output_terminal, 3);
  EXPECT_EQ(top()->combo(O::kOnOffList).selected_text(), "OFF");
  pick(O::kChannelList, 0);
  pick(O::kOnOffList, 1);
  EXPECT_EQ(store().alarm_channel, 0);
  EXPECT_TRUE(shows(kOutputTable, "ch01 = Of Of Of On"));
  EXPECT_TRUE(take_lines().empty());
}

TEST_F(AlarmTerminals, OutputTablePagesFollowTheChannel) {
  store().model_index = 4;
  store().alarm_channel = 39;
  open(std::make_unique<CAlarmOutputDlg>());
  EXPECT_TRUE(shows(kOutputTable, "ch33 = "));
  EXPECT_TRUE(shows(kOutputTable, "ch64 = "));
  EXPECT_FALSE(shows(kOutputTable, "ch32"));
  pick(O::kChannelList, 9);
  EXPECT_TRUE(shows(kOutputTable, "ch01 = "));
  EXPECT_FALSE(shows(kOutputTable, "ch33"));
}

}  // namespace
}  // namespace klvc
