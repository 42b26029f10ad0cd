// The dialog "全項目の設定" on the headless screen with a test clock, sending
// into the simulated switcher: start, pace, progress and the title and
// password warnings (how a run stops is with the other batches).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "commands/title_commands.h"
#include "dialogs/password.h"
#include "dialogs/send_all.h"
#include "dialogs/send_all_dialog.h"
#include "link/link.h"
#include "settings/store.h"
#include "support/send_all_figures.h"
#include "support/text.h"
#include "ui/controls.h"

namespace klvc {
namespace {

class SendAllDialogTest : public DialogTest {
 protected:
  CAllSettingsDlg& open_on(int model) {
    doc().model_index = model;
    return open(std::make_unique<CAllSettingsDlg>(ctx));
  }
  CAllSettingsDlg* dialog() { return static_cast<CAllSettingsDlg*>(top()); }
  void click_start() { press(CAllSettingsDlg::kStartButton); }
  ui::ProgressBar& bar() { return top()->progress(CAllSettingsDlg::kProgressBar); }
  const std::vector<std::string>& lines() const { return sim.lines(); }

  // Moves the clock in 10 ms steps until no batch runs (or `limit_ms` passed).
  std::int64_t run_until_idle(std::int64_t limit_ms = 200000) {
    std::int64_t elapsed = 0;
    while (link.status().batch_step != 0 && elapsed < limit_ms) {
      ui->advance(10);
      elapsed += 10;
    }
    return elapsed;
  }
  std::vector<std::string> warnings() const {
    std::vector<std::string> texts;
    for (const ui::ShownBox& b : ui->shown_boxes()) {
      if (b.form.icon == ui::MessageIcon::Warning) texts.push_back(b.form.text);
    }
    return texts;
  }
  int count_prefix(const std::string& prefix) const {
    int n = 0;
    for (const std::string& l : lines()) n += l.rfind(prefix, 0) == 0;
    return n;
  }
};

TEST_F(SendAllDialogTest, RunSendsTheSingleSettingsFirstAndEndsWithTheBarAtZero) {
  CAllSettingsDlg& d = open_on(0);
  EXPECT_EQ(d.caption(), "全項目の設定");
  EXPECT_EQ(bar().hi(), 100);  // the platform's default range until the first tick
  click_start();
  EXPECT_TRUE(lines().empty());  // the first line waits for the first tick
  ui->advance(79);
  EXPECT_TRUE(lines().empty());
  ui->advance(1);
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(bar().lo(), 0);
  EXPECT_EQ(bar().hi(), testing::kSendAllFigures[0].progress_max);
  EXPECT_EQ(bar().pos(), 0);

  ui->advance(7 * 80);
  const std::vector<std::string> defaults = {"BZOF",  "ADT10", "MNOF",  "AICM",
                                             "AROF",  "PWMOF", "PWOOF", "PWI573920"};
  EXPECT_EQ(lines(), defaults);
  EXPECT_EQ(bar().pos(), 7);

  const std::int64_t rest = run_until_idle();
  EXPECT_EQ(8 * 80 + rest, testing::kSendAllFigures[0].scheduled_ms);
  EXPECT_EQ(static_cast<int>(lines().size()), testing::kSendAllFigures[0].commands);
  EXPECT_EQ(bar().pos(), 0);
  EXPECT_FALSE(d.timer_active(kSendAllTimerId));
  EXPECT_FALSE(d.running());
  EXPECT_TRUE(ui->shown_boxes().empty());  // every answer came during the run
}

TEST_F(SendAllDialogTest, StartDoesNothingWhileAnyBatchRuns) {
  open_on(0);
  link.status().batch_step = 3;  // another batch
  click_start();
  ui->advance(1000);
  EXPECT_TRUE(lines().empty());
  EXPECT_EQ(link.status().batch_step, 3);
  EXPECT_EQ(top()->label(CAllSettingsDlg::kRunStatus).text().rfind("他の送信の途中", 0), 0u);
  link.status().batch_step = 0;

  // An error left by an earlier command is not this run's; one that comes
  // after the start stops it before its first line, and the dialog says so.
  link.status().error_seen = 1;
  click_start();
  link.handle_response("E3\r\n");
  ui->advance(80);
  EXPECT_TRUE(lines().empty());
  EXPECT_EQ(top()->label(CAllSettingsDlg::kRunStatus).text().rfind("最初の行の前に停止", 0), 0u);

  click_start();
  ui->advance(5 * 80);
  click_start();  // pressed again during the run
  ui->advance(5 * 80);
  ASSERT_EQ(lines().size(), 10u);
  EXPECT_EQ(lines()[5], "PWMOF");
  EXPECT_EQ(lines()[8], "AIS0101");
}

TEST_F(SendAllDialogTest, EachRefusedTitleGivesOneBoxAndTheRunWaitsForIt) {
  open_on(0);
  doc().channel_titles[2] = "A";         // odd byte count
  doc().channel_titles[5] = "\x87\x40";  // circled digit one: not in the switcher's set
  click_start();
  // Up to the tick of channel 3's title: every 80 ms tick, ten pauses and two titles at 500 ms.
  ui->advance(testing::kSendAllFigures[0].fast_ticks * 80 + 10 * 500 + 3 * 500);
  ASSERT_EQ(warnings(), std::vector<std::string>{kTitleNotJisText});
  EXPECT_TRUE(ui->message_box_open());
  EXPECT_EQ(count_prefix("CA"), 2);

  ui->advance(10000);  // ticks while the box is open do nothing
  EXPECT_EQ(warnings().size(), 1u);
  EXPECT_EQ(count_prefix("CA"), 2);

  ui->answer_box(BoxResult::Ok);
  ui->advance(500);
  EXPECT_EQ(count_prefix("CA"), 3);
  EXPECT_EQ(lines().back().substr(0, 4), "CA04");

  ui->advance(2 * 500);  // channel 6
  EXPECT_EQ(warnings(), (std::vector<std::string>{kTitleNotJisText, kTitleOutsideSetText}));
  ui->answer_box(BoxResult::Ok);
  run_until_idle();
  EXPECT_EQ(count_prefix("CA"), 26);
  EXPECT_EQ(lines().size(), 418u);
}

// The command line's run is worked out from a file's settings, not from the
// screen's document.
TEST(SendAllScript, IsBuiltFromTheSettingsItIsGiven) {
  SettingsStore doc_;
  reset_to_defaults(doc_);
  doc_.buzzer_output = 0;
  doc_.alarm_hold_time = 4;
  SwitcherSettings given;
  given.buzzer_output = 1;
  given.alarm_hold_time = 29;
  given.panel_password = "abc123";
  given.channel_titles[27] = "\x82\xA0";  // hiragana a on the last channel of KLV-A
  const std::vector<SendAllScriptTick> ticks = send_all_script(given, 0);
  ASSERT_GT(ticks.size(), 8u);
  EXPECT_EQ(ticks[0].line, "BZON\r\n");
  EXPECT_EQ(ticks[1].line, "ADT30\r\n");
  EXPECT_EQ(ticks[7].line, "PWIabc123\r\n");
  EXPECT_EQ(ticks.back().line, "CA282422" + testing::repeat("2121", 15) + "\r\n");
}

TEST_F(SendAllDialogTest, ShortPasswordIsWarnedAboutAndTheRunGoesOn) {
  open_on(0);
  doc().panel_password = "123";
  click_start();
  ui->advance(8 * 80);
  EXPECT_EQ(lines().size(), 7u);
  ASSERT_EQ(warnings(), std::vector<std::string>{kPanelPasswordRule});
  ui->answer_box(BoxResult::Ok);
  ui->advance(80);
  EXPECT_EQ(lines().back(), "AIS0101");
}

TEST_F(SendAllDialogTest, AcknowledgedPaceSendsTheSameLinesEachOnTheAnswerBefore) {
  open_on(0);
  EXPECT_EQ(entries(CAllSettingsDlg::kPaceList), (std::vector<std::string>{"一定間隔（標準）", "応答確認（高速）"}));
  EXPECT_EQ(selection(CAllSettingsDlg::kPaceList), CAllSettingsDlg::kTimedPace);
  pick(CAllSettingsDlg::kPaceList, CAllSettingsDlg::kAckPace);
  sim.fail_command(37, "E3\r\n");
  click_start();
  ui->run_posted();
  // The simulated switcher answers at once: the run needs no tick to go on,
  // and the error answer stops it before another line.
  EXPECT_EQ(lines().size(), 37u);
  EXPECT_FALSE(dialog()->running());
  EXPECT_EQ(link.status().batch_step, 0);
  while (ui->message_box_open()) ui->answer_box(BoxResult::Ok);  // "Command Error"

  const std::size_t before = lines().size();
  click_start();
  ui->run_posted();
  EXPECT_EQ(static_cast<int>(lines().size() - before), testing::kSendAllFigures[0].commands);
  EXPECT_EQ(bar().pos(), 0);
  EXPECT_FALSE(dialog()->running());
}

}  // namespace
}  // namespace klvc
