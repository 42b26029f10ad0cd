// Input and output title overlays: the painted tables, the lists, and the
// slave number a batch reads before each line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/title_display.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {
namespace {

constexpr int kInputList = 1055, kInputDisplay = 1057, kInputSame = 1058, kInputTable = 1054;
constexpr int kOutputList = 1062, kOutputDisplay = 1061, kOutputSame = 1060, kOutputTable = 1059;
constexpr int kSlaveList = 1056;

class TitleDisplay : public DialogTest {};

TEST(TitleDisplayCommands, OnOffPerRow) {
  SettingsStore doc_;
  reset_to_defaults(doc_);
  doc_.input_title_display[6] = 0;
  EXPECT_EQ(input_title_display_command(doc_, 6), "TCI07OF\r\n");
  EXPECT_EQ(input_title_display_command(doc_, 11), "TCI12ON\r\n");
  EXPECT_EQ(input_title_display_command(doc_, 63), "TCI64ON\r\n");
  EXPECT_EQ(output_title_display_command(doc_, 15), "TCO16ON\r\n");
  doc_.output_title_display[0] = 0;
  EXPECT_EQ(output_title_display_command(doc_, 0), "TCO01OF\r\n");
  EXPECT_EQ(input_title_display_command(doc_, 64), "");
  EXPECT_EQ(output_title_display_command(doc_, 16), "");
  EXPECT_EQ(output_title_display_command(doc_, -1), "");
}

TEST_F(TitleDisplay, InputTablePagesFollowTheSelectedInput) {
  doc().model_index = 4;
  doc().current_input = 39;
  open(std::make_unique<CInputTitleDisplayDlg>(ctx));
  EXPECT_EQ(top()->combo(kInputList).selected_text(), "40");
  EXPECT_EQ(top()->table(kInputTable).items().front().text, "ch33 = ON ");  // as long as "OFF"
  EXPECT_TRUE(shows(kInputTable, "ch64 = ON"));
  EXPECT_FALSE(shows(kInputTable, "ch01"));
  pick(kInputList, 4);
  EXPECT_TRUE(shows(kInputTable, "ch01 = ON"));
  EXPECT_TRUE(shows(kInputTable, "ch32 = ON"));
  EXPECT_FALSE(shows(kInputTable, "ch33"));
  EXPECT_EQ(top()->caption(), "入力タイトル表示設定 File Name ");
}

TEST_F(TitleDisplay, InputListsFollowTheModelAndSameForAllSetsEveryInput) {
  doc().model_index = 0;
  open(std::make_unique<CInputTitleDisplayDlg>(ctx));
  EXPECT_EQ(entries(kInputList).size(), 28u);
  EXPECT_EQ(entries(kInputList).back(), "28");
  EXPECT_EQ(entries(kInputDisplay), (Lines{"OFF", "ON"}));
  EXPECT_EQ(top()->combo(kInputSame).selected_text(), "OFF");
  EXPECT_FALSE(shows(kInputTable, "ch29"));
  pick(kInputSame, 1);
  pick(kInputSame, 0);
  for (int i = 0; i < kMaxInputs; ++i) EXPECT_EQ(doc().input_title_display[i], 0) << i;
  EXPECT_EQ(top()->combo(kInputDisplay).selected_text(), "OFF");
  EXPECT_TRUE(shows(kInputTable, "ch28 = OFF"));
  EXPECT_TRUE(take_lines().empty());
}

TEST_F(TitleDisplay, OutputListAndTableOfModelZero) {
  doc().output_title_display[7] = 0;
  open(std::make_unique<COutputTitleDisplayDlg>(ctx));
  EXPECT_EQ(entries(kOutputList).size(), 8u);
  EXPECT_TRUE(shows(kOutputTable, "out08 = OFF"));
  EXPECT_EQ(top()->caption(), "入力タイトル表示設定 File Name ");
}

TEST_F(TitleDisplay, SlaveNumberChangedDuringABatchTakesEffectFromTheNextCommand) {
  doc().interface_mode = 1;
  doc().slave_number = 2;
  sim.set_rs485(true, 2);
  open(std::make_unique<COutputTitleDisplayDlg>(ctx));
  EXPECT_EQ(top()->combo(kSlaveList).selected_text(), "02");
  press(kIdSet);
  ui->advance(200);
  pick(kSlaveList, 10);
  ui->advance(100);
  EXPECT_EQ(take_lines(), (Lines{"02TCO01ON\r\n", "02TCO02ON\r\n", "10TCO03ON\r\n"}));
  EXPECT_EQ(doc().slave_number, 10);
}

}  // namespace
}  // namespace klvc
