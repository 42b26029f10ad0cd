// Every timed batch stops the same way: at the tick after the switcher
// refuses a command, at its first tick when an earlier command was refused,
// and when its dialog closes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/alarm_terminals.h"
#include "dialogs/auto_sequence.h"
#include "dialogs/date_time.h"
#include "dialogs/output_switch.h"
#include "dialogs/send_all_dialog.h"
#include "dialogs/title_display.h"
#include "dialogs/title_set.h"
#include "link/link.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {
namespace {

using Lines = std::vector<std::string>;

struct BatchCase {
  const char* name;
  std::function<std::unique_ptr<ui::Dialog>()> make;
  int model;
  int set_button;
  int progress_bar;
  int timer_id;
  int period_ms;
  int rows;              // the progress range
  int fail_at;           // the switcher refuses the command with this number
  const char* answer;    // answering this
  const char* box;       // which the operator reads in this box
  const char* refused;   // the refused command, the last one sent
  int bar_at_stop;       // rows done before the stop
  const char* first;     // what every batch sends first
  std::vector<int> close_buttons;
};

void PrintTo(const BatchCase& c, std::ostream* os) { *os << c.name; }

template <class D>
std::unique_ptr<ui::Dialog> make() { return std::make_unique<D>(); }

const std::string kBlank16 = "2121212121212121212121212121212121212121212121212121212121212121";
const std::string kTitle1 = "CA01" + kBlank16 + "\r\n";
const std::string kTitle7 = "CA07" + kBlank16 + "\r\n";

const BatchCase kCases[] = {
    {"OutputSwitch", make<COutputSwitchDlg>, 4, 1005, 1076, 8, 100, 16,
     5, "E3\r\n", "Command Error", "O05I05\r\n", 5, "O01I01\r\n", {1, 2}},
    {"InputTitleDisplay", make<CInputTitleDisplayDlg>, 4, 1005, 1076, 9, 200, 64,
     3, "GN\r\n", "Mode Error", "TCI03ON\r\n", 3, "TCI01ON\r\n", {1, 2}},
    {"OutputTitleDisplay", make<COutputTitleDisplayDlg>, 0, 1005, 1076, 10, 100, 8,
     2, "E1\r\n", "Parity Error", "TCO02ON\r\n", 2, "TCO01ON\r\n", {1, 2}},
    {"SkipLive", make<CSkipLiveDlg>, 2, 1005, 1076, 5, 100, 32,  // input 2, output 4: one input done
     20, "E3\r\n", "Command Error", "ASM0402L\r\n", 1, "ASM0101L\r\n", {1, 2}},
    {"DwellTime", make<CDwellTimeDlg>, 1, 1005, 1076, 6, 100, 12,
     4, "MENU\r\n", "Menu Display", "AST0404\r\n", 4, "AST0104\r\n", {1, 2}},
    {"DatetimeDisplay", make<CDateTimeDisplayDlg>, 0, 1005, 1076, 7, 100, 8,
     6, "E0\r\n", "Framing Error", "TO06ON\r\n", 6, "TO01ON\r\n", {1, 2}},
    {"AlarmInputTerminals", make<CAlarmInputDlg>, 0, 1005, 1076, 3, 100, 16,
     5, "E2\r\n", "Over Run Error", "AIS0505\r\n", 5, "AIS0101\r\n", {1, 2}},
    {"AlarmOutputTerminals", make<CAlarmOutputDlg>, 2, 1005, 1076, 4, 100, 32,  // channel 2, terminal 2
     6, "GN\r\n", "Mode Error", "AMO0202OF\r\n", 1, "AMO0101OF\r\n", {1, 2}},
    {"TitleSet", make<CTitleSetDlg>, 4, CTitleSetDlg::kAllChannels, 1076, 2, 500, 64,
     7, "GN\r\n", "Mode Error", kTitle7.c_str(), 7, kTitle1.c_str(), {ui::kIdOk}},  // no cancel while it runs
    // KLV-A: eight single settings, 16 alarm input terminals (steps 9-24, then
    // silent ticks up to 72), then three alarm outputs per channel from step 73:
    // command 37 is channel 5's first, at step 77.
    {"SendAll", make<CAllSettingsDlg>, 0, CAllSettingsDlg::kStartButton, CAllSettingsDlg::kProgressBar, 14, 80, 369,
     37, "E3\r\n", "Command Error", "AMO0501OF\r\n", 76, "BZOF\r\n", {ui::kIdCancel}},
};

class BatchStops : public DialogTest, public ::testing::WithParamInterface<BatchCase> {
 protected:
  void SetUp() override { store().model_index = GetParam().model; }
  void open_dialog(std::function<void(ui::Dialog&, int)> on_end = {}) { open(GetParam().make(), std::move(on_end)); }
  void run_ticks(int n) { ui->advance(static_cast<std::int64_t>(GetParam().period_ms) * n); }
  void press_set() { press(GetParam().set_button); }
};

TEST_P(BatchStops, ARefusedCommandStopsItAtTheNextTickWithTheBarLeftThere) {
  const BatchCase& c = GetParam();
  sim.fail_command(c.fail_at, c.answer);
  open_dialog();
  press_set();
  for (int guard = 0; guard < 2000 && store().batch_step != 0; ++guard) run_ticks(1);
  const Lines sent = take_lines();
  ASSERT_EQ(sent.size(), static_cast<std::size_t>(c.fail_at));
  EXPECT_EQ(sent.back(), c.refused);
  EXPECT_EQ(box_texts(), Lines{c.box});
  EXPECT_EQ(top()->progress(c.progress_bar).pos(), c.bar_at_stop);
  EXPECT_EQ(top()->progress(c.progress_bar).hi(), c.rows);
  EXPECT_EQ(store().error_seen, 0);
  EXPECT_FALSE(top()->timer_active(c.timer_id));
  ui->answer_box(BoxResult::Ok);
  run_ticks(5);
  EXPECT_TRUE(take_lines().empty());

  press_set();  // Set again starts over from the first row
  run_ticks(1);
  EXPECT_EQ(take_lines(), Lines{c.first});
}

TEST_P(BatchStops, AnEarlierRefusedCommandStopsTheFirstTickBeforeSending) {
  sim.fail_command(1, "E3\r\n");
  send_command("TSA\r\n");  // a single Set of another dialog
  EXPECT_EQ(store().error_seen, 1);
  ui->answer_box(BoxResult::Ok);
  take_lines();
  open_dialog();
  press_set();
  run_ticks(5);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(store().batch_step, 0);
  EXPECT_EQ(store().error_seen, 0);

  press_set();  // Set again runs
  run_ticks(1);
  EXPECT_EQ(take_lines(), Lines{GetParam().first});
}

TEST_P(BatchStops, ClosingTheDialogEndsItAndLeavesNothingBlocked) {
  for (int button : GetParam().close_buttons) {
    SCOPED_TRACE(button);
    int result = 0;
    open_dialog([&result](ui::Dialog&, int r) { result = r; });
    press_set();
    run_ticks(3);
    EXPECT_EQ(take_lines().size(), 3u);
    press(button);
    EXPECT_EQ(result, button);
    EXPECT_EQ(top(), nullptr);
    EXPECT_EQ(store().batch_step, 0);
    run_ticks(10);
    EXPECT_TRUE(take_lines().empty());
  }
  open_dialog();  // the next batch runs
  press_set();
  run_ticks(1);
  EXPECT_EQ(take_lines(), Lines{GetParam().first});
}

INSTANTIATE_TEST_SUITE_P(Dialogs, BatchStops, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<BatchCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace klvc
