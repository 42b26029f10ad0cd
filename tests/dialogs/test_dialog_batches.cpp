// Every timed batch runs the same way: one line a period from the first
// period after Set, the bar counting finished rows, back to 0 at the end. It
// stops at the tick after the switcher refuses a command, at its first tick
// when an earlier command was refused, and when its dialog closes.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>
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

struct BatchCase {
  const char* name;
  MakeDialog make;
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

const std::string kBlank16 = "2121212121212121212121212121212121212121212121212121212121212121";
const std::string kTitle1 = "CA01" + kBlank16 + "\r\n";
const std::string kTitle7 = "CA07" + kBlank16 + "\r\n";

const BatchCase kCases[] = {
    {"OutputSwitch", make_dialog<COutputSwitchDlg>, 4, 1005, 1076, 8, 100, 16,
     5, "E3\r\n", "Command Error", "O05I05\r\n", 5, "O01I01\r\n", {1, 2}},
    {"InputTitleDisplay", make_dialog<CInputTitleDisplayDlg>, 4, 1005, 1076, 9, 200, 64,
     3, "GN\r\n", "Mode Error", "TCI03ON\r\n", 3, "TCI01ON\r\n", {1, 2}},
    {"OutputTitleDisplay", make_dialog<COutputTitleDisplayDlg>, 0, 1005, 1076, 10, 100, 8,
     2, "E1\r\n", "Parity Error", "TCO02ON\r\n", 2, "TCO01ON\r\n", {1, 2}},
    {"SkipLive", make_dialog<CSkipLiveDlg>, 2, 1005, 1076, 5, 100, 32,  // input 2, output 4: one input done
     20, "E3\r\n", "Command Error", "ASM0402L\r\n", 1, "ASM0101L\r\n", {1, 2}},
    {"DwellTime", make_dialog<CDwellTimeDlg>, 1, 1005, 1076, 6, 100, 12,
     4, "MENU\r\n", "Menu Display", "AST0404\r\n", 4, "AST0104\r\n", {1, 2}},
    {"DatetimeDisplay", make_dialog<CDateTimeDisplayDlg>, 0, 1005, 1076, 7, 100, 8,
     6, "E0\r\n", "Framing Error", "TO06ON\r\n", 6, "TO01ON\r\n", {1, 2}},
    {"AlarmInputTerminals", make_dialog<CAlarmInputDlg>, 0, 1005, 1076, 3, 100, 16,
     5, "E2\r\n", "Over Run Error", "AIS0505\r\n", 5, "AIS0101\r\n", {1, 2}},
    {"AlarmOutputTerminals", make_dialog<CAlarmOutputDlg>, 2, 1005, 1076, 4, 100, 32,  // channel 2, terminal 2
     6, "GN\r\n", "Mode Error", "AMO0202OF\r\n", 1, "AMO0101OF\r\n", {1, 2}},
    {"TitleSet", make_dialog<CTitleSetDlg>, 4, CTitleSetDlg::kAllChannels, 1076, 2, 500, 64,
     7, "GN\r\n", "Mode Error", kTitle7.c_str(), 7, kTitle1.c_str(), {ui::kIdOk}},  // no cancel while it runs
    // KLV-A: eight single settings, 16 alarm input terminals (steps 9-24, then
    // silent ticks up to 72), then three alarm outputs per channel from step 73:
    // command 37 is channel 5's first, at step 77.
    {"SendAll", make_dialog<CAllSettingsDlg>, 0, CAllSettingsDlg::kStartButton, CAllSettingsDlg::kProgressBar, 14, 80,
     369, 37, "E3\r\n", "Command Error", "AMO0501OF\r\n", 76, "BZOF\r\n", {ui::kIdCancel}},
};

class BatchStops : public DialogTest, public ::testing::WithParamInterface<BatchCase> {
 protected:
  void SetUp() override { doc().model_index = GetParam().model; }
  void open_dialog(std::function<void(ui::Dialog&, int)> on_end = {}) { open(GetParam().make(ctx), std::move(on_end)); }
  void run_ticks(int n) { ui->advance(static_cast<std::int64_t>(GetParam().period_ms) * n); }
  void press_set() { press(GetParam().set_button); }
};

TEST_P(BatchStops, ARefusedCommandStopsItAtTheNextTickWithTheBarLeftThere) {
  const BatchCase& c = GetParam();
  sim.fail_command(c.fail_at, c.answer);
  open_dialog();
  press_set();
  for (int guard = 0; guard < 2000 && link.status().batch_step != 0; ++guard) run_ticks(1);
  const Lines sent = take_lines();
  ASSERT_EQ(sent.size(), static_cast<std::size_t>(c.fail_at));
  EXPECT_EQ(sent.back(), c.refused);
  EXPECT_EQ(box_texts(), Lines{c.box});
  EXPECT_EQ(top()->progress(c.progress_bar).pos(), c.bar_at_stop);
  EXPECT_EQ(top()->progress(c.progress_bar).hi(), c.rows);
  EXPECT_EQ(link.status().error_seen, 0);
  EXPECT_EQ(link.status().batch_step, 0);
  EXPECT_FALSE(top()->timer_active(c.timer_id));
  ui->answer_box(BoxResult::Ok);
  run_ticks(5);
  EXPECT_TRUE(take_lines().empty());

  press_set();  // Set again starts over from the first row
  run_ticks(1);
  EXPECT_EQ(take_lines(), Lines{c.first});
}

TEST_P(BatchStops, AnEarlierRefusedCommandDoesNotStopTheNextRun) {
  sim.fail_command(1, "E3\r\n");
  link.send_command("TSA\r\n");  // a single Set of another dialog
  EXPECT_EQ(link.status().error_seen, 1);
  ui->answer_box(BoxResult::Ok);
  take_lines();
  open_dialog();
  press_set();
  run_ticks(1);
  EXPECT_EQ(take_lines(), Lines{GetParam().first});
  EXPECT_NE(link.status().batch_step, 0);
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
    if (button == ui::kIdCancel) {
      // Close asks first, saying how far the run got; Enter (No) lets it go on.
      ASSERT_TRUE(ui->message_box_open());
      const std::string at = std::to_string(top()->progress(GetParam().progress_bar).pos()) + "/";
      EXPECT_NE(box_texts().back().find(at), std::string::npos) << box_texts().back();
      ui->feed(ui::Event::of(ui::Key::Enter));
      run_ticks(1);
      EXPECT_EQ(take_lines().size(), 1u);
      press(button);
      ui->answer_box(BoxResult::Yes);
    }
    EXPECT_EQ(result, button);
    EXPECT_EQ(top(), nullptr);
    EXPECT_EQ(link.status().batch_step, 0);
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

// ------------------------------------------------------ whole runs

// The lines of whole runs, each written from its command's rule; every row is
// 1-based, and an entry of the map or set changes the default of that row.
Lines route_lines(int outputs, std::map<int, int> inputs = {}) {  // default: output o shows input o
  Lines l;
  for (int o = 1; o <= outputs; ++o) l.push_back(printed("O%02dI%02d\r\n", o, inputs.count(o) ? inputs[o] : o));
  return l;
}
Lines on_off_lines(const char* code, int rows, std::set<int> off = {}) {  // default: ON
  Lines l;
  for (int r = 1; r <= rows; ++r) l.push_back(printed("%s%02d%s\r\n", code, r, off.count(r) ? "OF" : "ON"));
  return l;
}
Lines dwell_lines(int outputs, std::map<int, int> seconds = {}) {  // default: 4 s
  Lines l;
  for (int o = 1; o <= outputs; ++o) l.push_back(printed("AST%02d%02d\r\n", o, seconds.count(o) ? seconds[o] : 4));
  return l;
}
Lines alarm_input_lines(int terminals) {  // default: terminal t watches channel t
  Lines l;
  for (int t = 1; t <= terminals; ++t) l.push_back(printed("AIS%02d%02d\r\n", t, t));
  return l;
}
// Channel-major; the channel, a '0' and the terminal digit. Default: OFF.
Lines alarm_output_lines(int channels, int terminals, std::set<std::pair<int, int>> on = {}) {
  Lines l;
  for (int c = 1; c <= channels; ++c) {
    for (int t = 1; t <= terminals; ++t) {
      l.push_back(printed("AMO%02d0%d%s\r\n", c, t, on.count({c, t}) ? "ON" : "OF"));
    }
  }
  return l;
}
// Input-major, but the output is written first. Default: LIVE.
Lines skip_live_lines(int inputs, int outputs, std::set<std::pair<int, int>> skipped = {}) {
  Lines l;
  for (int i = 1; i <= inputs; ++i) {
    for (int o = 1; o <= outputs; ++o) {
      l.push_back(printed("ASM%02d%02d%c\r\n", o, i, skipped.count({i, o}) ? 'S' : 'L'));
    }
  }
  return l;
}
// Sixteen JIS codes a title; the default title is sixteen full-width spaces.
Lines title_lines(int channels, std::map<int, std::string> codes = {}) {
  Lines l;
  for (int c = 1; c <= channels; ++c) {
    l.push_back(printed("CA%02d", c) + (codes.count(c) ? codes[c] : kBlank16) + "\r\n");
  }
  return l;
}

struct BatchRun {
  const char* name;
  MakeDialog make;
  int model;
  std::function<void(SettingsStore&)> setup;  // what the store holds before the dialog opens
  int set_button;
  int period_ms;
  int rows;  // the progress range
  std::function<Lines()> lines;
};

void PrintTo(const BatchRun& r, std::ostream* os) { *os << r.name; }

void none(SettingsStore&) {}

const BatchRun kRuns[] = {
    {"OutputSwitchA", make_dialog<COutputSwitchDlg>, 0, none, kIdSet, 100, 8, [] { return route_lines(8); }},
    {"OutputSwitchB", make_dialog<COutputSwitchDlg>, 1, none, kIdSet, 100, 12, [] { return route_lines(12); }},
    {"OutputSwitchC", make_dialog<COutputSwitchDlg>, 2, none, kIdSet, 100, 16, [] { return route_lines(16); }},
    {"OutputSwitchD", make_dialog<COutputSwitchDlg>, 3, none, kIdSet, 100, 16, [] { return route_lines(16); }},
    {"OutputSwitchE", make_dialog<COutputSwitchDlg>, 4, [](SettingsStore& s) { s.output_routes[2] = 11; },
     kIdSet, 100, 16, [] { return route_lines(16, {{3, 12}}); }},
    {"InputTitleDisplayA", make_dialog<CInputTitleDisplayDlg>, 0, none,
     kIdSet, 200, 28, [] { return on_off_lines("TCI", 28); }},
    {"InputTitleDisplayD", make_dialog<CInputTitleDisplayDlg>, 3, none,
     kIdSet, 200, 48, [] { return on_off_lines("TCI", 48); }},
    {"InputTitleDisplayE", make_dialog<CInputTitleDisplayDlg>, 4,
     [](SettingsStore& s) { s.input_title_display[6] = 0; },
     kIdSet, 200, 64, [] { return on_off_lines("TCI", 64, {7}); }},
    {"OutputTitleDisplayA", make_dialog<COutputTitleDisplayDlg>, 0,
     [](SettingsStore& s) { s.output_title_display[7] = 0; },
     kIdSet, 100, 8, [] { return on_off_lines("TCO", 8, {8}); }},
    {"DatetimeDisplayA", make_dialog<CDateTimeDisplayDlg>, 0, [](SettingsStore& s) { s.datetime_display[2] = 0; },
     kIdSet, 100, 8, [] { return on_off_lines("TO", 8, {3}); }},
    {"DwellTimeB", make_dialog<CDwellTimeDlg>, 1, [](SettingsStore& s) { s.dwell_times[2] = 9; },
     kIdSet, 100, 12, [] { return dwell_lines(12, {{3, 10}}); }},
    {"AlarmInputTerminalsA", make_dialog<CAlarmInputDlg>, 0, none,
     kIdSet, 100, 16, [] { return alarm_input_lines(16); }},
    {"AlarmOutputTerminalsA", make_dialog<CAlarmOutputDlg>, 0,
     [](SettingsStore& s) {
       s.alarm_outputs[alarm_output_index(0, 1)] = 1;
       s.alarm_outputs[alarm_output_index(27, 2)] = 1;
       s.alarm_outputs[alarm_output_index(27, 3)] = 1;  // a fourth terminal KLV-A lacks
     },
     kIdSet, 100, 28, [] { return alarm_output_lines(28, 3, {{1, 2}, {28, 3}}); }},
    {"AlarmOutputTerminalsB", make_dialog<CAlarmOutputDlg>, 1, none,
     kIdSet, 100, 24, [] { return alarm_output_lines(24, 3); }},
    {"SkipLiveA", make_dialog<CSkipLiveDlg>, 0,
     [](SettingsStore& s) {
       s.sequence_live[sequence_live_index(2, 5)] = 0;   // input 3 on output 6
       s.sequence_live[sequence_live_index(27, 7)] = 0;  // input 28 on output 8
     },
     kIdSet, 100, 28, [] { return skip_live_lines(28, 8, {{3, 6}, {28, 8}}); }},
    {"SkipLiveB", make_dialog<CSkipLiveDlg>, 1, none, kIdSet, 100, 24, [] { return skip_live_lines(24, 12); }},
    {"SkipLiveC", make_dialog<CSkipLiveDlg>, 2, none, kIdSet, 100, 32, [] { return skip_live_lines(32, 16); }},
    {"SkipLiveD", make_dialog<CSkipLiveDlg>, 3, none, kIdSet, 100, 48, [] { return skip_live_lines(48, 16); }},
    {"SkipLiveE", make_dialog<CSkipLiveDlg>, 4, none, kIdSet, 100, 64, [] { return skip_live_lines(64, 16); }},
    {"TitleSetA", make_dialog<CTitleSetDlg>, 0, [](SettingsStore& s) { s.channel_titles[27] = "\x82\xA0"; },  // あ
     CTitleSetDlg::kAllChannels, 500, 28, [] { return title_lines(28, {{28, "2422" + kBlank16.substr(4)}}); }},
};

class BatchRuns : public DialogTest, public ::testing::WithParamInterface<BatchRun> {};

TEST_P(BatchRuns, SetSendsEveryLineOnePeriodApartAndTheBarCountsFinishedRows) {
  const BatchRun& r = GetParam();
  doc().model_index = r.model;
  r.setup(doc());
  open(r.make(ctx));
  press(r.set_button);
  ui->advance(r.period_ms - 1);
  EXPECT_TRUE(take_lines().empty());  // the first line waits one period
  const Lines expected = r.lines();
  const int per_row = static_cast<int>(expected.size()) / r.rows;
  Lines sent;
  std::vector<int> bar, expected_bar;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ui->advance(i == 0 ? 1 : r.period_ms);
    const Lines tick = take_lines();
    sent.push_back(tick.size() == 1 ? tick[0] : std::to_string(tick.size()) + " lines");
    bar.push_back(top()->progress(kIdProgress).pos());
    expected_bar.push_back(i + 1 < expected.size() ? static_cast<int>(i + 1) / per_row : 0);
  }
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(bar, expected_bar);
  EXPECT_EQ(top()->progress(kIdProgress).hi(), r.rows);
  EXPECT_EQ(link.status().batch_step, 0);
  EXPECT_TRUE(box_texts().empty());  // "GO" during a batch shows nothing
  ui->advance(10 * r.period_ms);
  EXPECT_TRUE(take_lines().empty());
}

INSTANTIATE_TEST_SUITE_P(Dialogs, BatchRuns, ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<BatchRun>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace klvc
