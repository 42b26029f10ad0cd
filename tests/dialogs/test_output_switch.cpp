// The output switching dialog driven as an operator would, against the
// simulated switcher: what the lists offer, what the table shows, and the
// lines of routes the lists cannot show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/output_switch.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {
namespace {

constexpr int kOutputList = 1031;
constexpr int kInputList = 1032;
constexpr int kSameList = 1033;
constexpr int kTable = 1030;

std::vector<std::string> numbered(int n) {
  std::vector<std::string> v;
  for (int i = 1; i <= n; ++i) v.push_back(std::to_string(i));
  return v;
}

class OutputSwitch : public DialogTest {
 protected:
  COutputSwitchDlg& open_dialog() { return open(std::make_unique<COutputSwitchDlg>(ctx)); }
  std::string table_text() { return DialogTest::table_text(kTable); }
};

TEST_F(OutputSwitch, ARoutePickedIsStoredAndPaintedButNotSent) {
  doc().model_index = 4;
  open_dialog();
  pick(kOutputList, 2);   // output "3"
  pick(kInputList, 11);   // input "12"
  EXPECT_EQ(doc().current_output, 2);
  EXPECT_EQ(doc().output_routes[2], 11);
  EXPECT_NE(table_text().find("out03 = 12 ch."), std::string::npos);
  EXPECT_TRUE(take_lines().empty());  // nothing goes out before Set
}

TEST_F(OutputSwitch, ListsFollowTheModel) {
  const int outputs[] = {8, 12, 16, 16, 16};
  const int inputs[] = {28, 24, 32, 48, 64};
  for (int model = 0; model < 5; ++model) {
    SCOPED_TRACE(model);
    doc().model_index = model;
    open_dialog();
    EXPECT_EQ(entries(kOutputList), numbered(outputs[model]));
    std::vector<std::string> with_auto = numbered(inputs[model]);
    with_auto.push_back("Auto");
    EXPECT_EQ(entries(kInputList), with_auto);
    EXPECT_EQ(entries(kSameList), with_auto);
    press(2);
  }
}

TEST_F(OutputSwitch, TableShowsOneColumnOfEightPerEightOutputs) {
  doc().model_index = 0;
  doc().output_routes[4] = 28;  // "Auto" on the 28-input model
  open_dialog();
  EXPECT_EQ(table_text(),
            "out01 = 1 ch.\n"
            "out02 = 2 ch.\n"
            "out03 = 3 ch.\n"
            "out04 = 4 ch.\n"
            "out05 = Auto ch.\n"
            "out06 = 6 ch.\n"
            "out07 = 7 ch.\n"
            "out08 = 8 ch.\n");
  doc().model_index = 4;
  press(2);
  open_dialog();
  const std::string text = table_text();
  EXPECT_NE(text.find("out08 = 8 ch.      out16 = 16 ch."), std::string::npos) << text;
}

TEST_F(OutputSwitch, SameForAllAutoSendsSeventyEverywhere) {
  doc().model_index = 1;  // 24 inputs, 12 outputs
  open_dialog();
  pick(kSameList, 24);
  for (int o = 0; o < 16; ++o) EXPECT_EQ(doc().output_routes[static_cast<std::size_t>(o)], kRouteAuto);
  EXPECT_EQ(selection(kInputList), 24);
  EXPECT_EQ(table_text().find(" 1 ch."), std::string::npos);
  press(1005);
  ui->advance(1200);
  const auto lines = take_lines();
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines.front(), "O01I70\r\n");
  EXPECT_EQ(lines.back(), "O12I70\r\n");
}

// "Auto" picked on one model stays the automatic sequence on another: it is
// never taken for the input whose number the smaller model gave it.
TEST_F(OutputSwitch, AutoStaysAutoWhenTheModelChanges) {
  struct Case {
    int picked_on;
    int sent_on;
    int list;
  };
  const Case cases[] = {{0, 4, kInputList}, {0, 4, kSameList}, {4, 0, kInputList}, {1, 3, kSameList}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.picked_on) + " -> " + std::to_string(c.sent_on));
    reset_doc();
    doc().model_index = c.picked_on;
    open_dialog();
    pick(kOutputList, 2);
    pick(c.list, input_count_for(doc().model_index));  // "Auto", after the last input
    press(2);
    doc().model_index = c.sent_on;
    open_dialog();
    EXPECT_EQ(selection(kInputList), input_count_for(doc().model_index));
    EXPECT_NE(table_text().find("out03 = Auto ch."), std::string::npos);
    press(1005);
    ui->advance(2000);
    const Lines lines = take_lines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(output_count_for(doc().model_index)));
    EXPECT_EQ(lines[2], "O03I70\r\n");
    press(2);
  }
}

TEST_F(OutputSwitch, RouteBeyondTheModelIsShownAndSentAsAuto) {
  doc().model_index = 0;
  doc().output_routes[0] = 64;  // from a settings file of a 64-input switcher
  doc().output_routes[1] = 40;
  open_dialog();
  EXPECT_EQ(selection(kInputList), 28);  // the list shows "Auto", not a blank
  EXPECT_NE(table_text().find("out02 = Auto ch."), std::string::npos);
  press(1005);
  ui->advance(200);
  EXPECT_EQ(take_lines(), (Lines{"O01I70\r\n", "O02I70\r\n"}));
  EXPECT_EQ(doc().output_routes[0], 64);  // the store keeps what it had
}

TEST_F(OutputSwitch, OutputChangeFollowsTheStoredRoute) {
  doc().output_routes[5] = 9;
  open_dialog();
  EXPECT_EQ(selection(kOutputList), 0);
  EXPECT_EQ(selection(kInputList), 0);
  pick(kOutputList, 5);
  EXPECT_EQ(selection(kInputList), 9);
  EXPECT_EQ(selection(kSameList), 0);
}

TEST_F(OutputSwitch, SetPressedTwiceRunsOneBatch) {
  doc().model_index = 0;
  open_dialog();
  press(1005);
  ui->advance(50);
  press(1005);
  ui->advance(150);
  press(1005);
  ui->advance(2000);
  EXPECT_EQ(take_lines().size(), 8u);
}

TEST_F(OutputSwitch, CaptionEndsInTheFileName) {
  doc().file_name = "/home/op/studio.dat";
  open_dialog();
  EXPECT_EQ(top()->caption(), "出力切換え設定 File Name /home/op/studio.dat");
}

TEST_F(OutputSwitch, FitsAnEightyByTwentyFourScreen) {
  doc().model_index = 4;
  open_dialog();
  const std::string screen = ui->screen_text();
  for (const char* text : {"out01 = 1 ch.", "出力チャンネル", "入力チャンネル", "同一チャンネル", "スレーブ番号",
                           "設定", "OK", "Close", "out16 = 16 ch."}) {
    EXPECT_NE(screen.find(text), std::string::npos) << text << "\n" << screen;
  }
}

}  // namespace
}  // namespace klvc
