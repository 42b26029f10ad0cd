// After each dialog's Set has run against the simulated switcher, the
// switcher holds exactly what the store holds for every setting the dialog
// sends, within the model's counts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/alarm_settings.h"
#include "dialogs/alarm_terminals.h"
#include "dialogs/auto_sequence.h"
#include "dialogs/date_time.h"
#include "dialogs/output_switch.h"
#include "dialogs/password.h"
#include "dialogs/title_display.h"
#include "settings/store.h"

namespace klvc {
namespace {

const LocalDateTime kNow{2031, 11, 29, 23, 58, 7};

// Store values unlike both the defaults and each other, so that a swapped
// index or a field left unsent shows up.
void scramble_store(SettingsStore& s) {
  for (int i = 0; i < kMaxInputs; ++i) s.input_title_display[i] = i % 3 == 0 ? 0 : 1;
  for (int o = 0; o < kMaxOutputs; ++o) {
    s.output_title_display[o] = o % 2;
    s.datetime_display[o] = (o / 2) % 2;
    s.dwell_times[o] = (o * 7 + 5) % 60;
    s.output_routes[o] = (o * 5 + 3) % 24;  // an input of every model
  }
  for (int i = 0; i < kMaxInputs; ++i) {
    for (int o = 0; o < kMaxOutputs; ++o) s.sequence_live[sequence_live_index(i, o)] = (i + 2 * o) % 5 == 0 ? 0 : 1;
    for (int t = 0; t < kMaxAlarmOutputTerminals; ++t) s.alarm_outputs[alarm_output_index(i, t)] = (i * 3 + t) % 4 == 1;
  }
  for (int t = 0; t < kMaxAlarmInputTerminals; ++t) s.alarm_input_channels[t] = (t * 5 + 3) % 24;
  s.alarm_hold_time = 41;
  s.alarm_polarity = 1;
  s.alarm_return = 1;
  s.buzzer_output = 1;
  s.memory_number_display = 1;
  s.password_menu = 1;
  s.password_operation = 1;
  s.panel_password = "A1b2C3";
}

struct DialogRun {
  const char* name;
  MakeDialog make;
  std::vector<int> buttons;  // pressed in order
};

using C = CDateTimeSetDlg;
using A = CAlarmSetDlg;
using P = CPasswordDlg;

const DialogRun kRuns[] = {
    {"output switch", make_dialog<COutputSwitchDlg>, {kIdSet}},
    {"input title display", make_dialog<CInputTitleDisplayDlg>, {kIdSet}},
    {"output title display", make_dialog<COutputTitleDisplayDlg>, {kIdSet}},
    {"skip/live", make_dialog<CSkipLiveDlg>, {kIdSet}},
    {"dwell time", make_dialog<CDwellTimeDlg>, {kIdSet}},
    {"date/time display", make_dialog<CDateTimeDisplayDlg>, {kIdSet}},
    {"clock", [](const DialogContext& ctx) { return std::make_unique<C>(ctx, [] { return kNow; }); },
     {C::kYearSet, C::kMonthSet, C::kDaySet, C::kHourSet, C::kMinuteSet, C::kSecondSet, C::kAdjustSet}},
    {"alarm settings", make_dialog<A>,
     {A::kHoldTimeSet, A::kPolaritySet, A::kReturnSet, A::kBuzzerSet, A::kMemoryNumberSet}},
    {"alarm input terminals", make_dialog<CAlarmInputDlg>, {kIdSet}},
    {"alarm output terminals", make_dialog<CAlarmOutputDlg>, {kIdSet}},
    {"password", make_dialog<P>, {P::kMenuSet, P::kOperationSet, P::kPasswordSet}},
};

class StoreVsSimulator : public DialogTest, public testing::WithParamInterface<int> {};

TEST_P(StoreVsSimulator, EveryDialogsSetLeavesTheSwitcherEqualToTheStore) {
  doc().model_index = GetParam();
  scramble_store(doc());
  for (const DialogRun& run : kRuns) {
    SCOPED_TRACE(run.name);
    open(run.make(ctx));
    for (int button : run.buttons) press(button);
    ui->advance(200 * 1024 + 1000);  // longer than the longest batch
    EXPECT_EQ(link.status().batch_step, 0);
    top()->end_dialog(ui::kIdOk);
    while (ui->message_box_open()) ui->answer_box(BoxResult::Ok);
  }
  for (const std::string& text : box_texts()) EXPECT_EQ(text, "Success");  // no error answer, no warning

  const SettingsStore& s = doc();
  const Simulator::State& st = sim.state();
  for (int o = 0; o < output_count_for(doc().model_index); ++o) {
    SCOPED_TRACE("output " + std::to_string(o));
    EXPECT_EQ(st.output_routes[o], s.output_routes[o]);
    EXPECT_EQ(st.output_title_display[o], s.output_title_display[o]);
    EXPECT_EQ(st.dwell_times[o], s.dwell_times[o]);
    EXPECT_EQ(st.datetime_display[o], s.datetime_display[o]);
  }
  for (int i = 0; i < input_count_for(doc().model_index); ++i) {
    SCOPED_TRACE("input " + std::to_string(i));
    EXPECT_EQ(st.input_title_display[i], s.input_title_display[i]);
    for (int o = 0; o < output_count_for(doc().model_index); ++o) {
      EXPECT_EQ(st.sequence_live[sequence_live_index(i, o)], s.sequence_live[sequence_live_index(i, o)]) << o;
    }
    for (int t = 0; t < alarm_output_terminal_count_for(doc().model_index); ++t) {
      EXPECT_EQ(st.alarm_outputs[alarm_output_index(i, t)], s.alarm_outputs[alarm_output_index(i, t)]) << t;
    }
  }
  for (int t = 0; t < alarm_input_terminal_count_for(doc().model_index); ++t) {
    EXPECT_EQ(st.alarm_input_channels[t], s.alarm_input_channels[t]) << t;
  }
  EXPECT_EQ(st.clock.year + 2000, kNow.year);
  EXPECT_EQ(st.clock.month, kNow.month);
  EXPECT_EQ(st.clock.day, kNow.day);
  EXPECT_EQ(st.clock.hour, kNow.hour);
  EXPECT_EQ(st.clock.minute, kNow.minute);
  EXPECT_EQ(st.clock.second, kNow.second);
  EXPECT_EQ(st.clock.adjustments, 1);
  EXPECT_EQ(st.alarm_hold_time, s.alarm_hold_time);
  EXPECT_EQ(st.alarm_polarity, s.alarm_polarity);
  EXPECT_EQ(st.alarm_return, s.alarm_return);
  EXPECT_EQ(st.buzzer_output, s.buzzer_output);
  EXPECT_EQ(st.memory_number_display, s.memory_number_display);
  EXPECT_EQ(st.password_menu, s.password_menu);
  EXPECT_EQ(st.password_operation, s.password_operation);
  EXPECT_EQ(st.panel_password, s.panel_password);
}

INSTANTIATE_TEST_SUITE_P(Models, StoreVsSimulator, testing::Values(0, 1, 2, 3, 4));

}  // namespace
}  // namespace klvc
