#include "settings/settings_layout.h"

namespace klvc {
namespace {

using Values = int* (*)(SwitcherSettings&);

// A run of OFF/ON flags.
constexpr IntRun on_off(const char* key, const char* what, int first_line, int count, Values values,
                        int default_value, ElementLabel label, const char* group) {
  return {key, what, first_line, count, values, 0, 1, default_value, false, label, ValueShown::kOnOff, group};
}

// One value on a line of its own, 0 by default.
constexpr IntRun single(const char* key, const char* what, int line, Values value, int max, ValueShown shown) {
  return {key, what, line, 1, value, 0, max, 0, false, ElementLabel::kNone, shown, nullptr};
}

}  // namespace

#define KLVC_ARRAY(field) [](SwitcherSettings& s) { return s.field.data(); }
#define KLVC_SINGLE(field) [](SwitcherSettings& s) { return &s.field; }

// In file order; lines 1-64 are the titles and line 1507 the password.
const std::array<IntRun, 18> kIntRuns = {{
    {"alarm_input", "alarm input channel", 65, kMaxAlarmInputTerminals, KLVC_ARRAY(alarm_input_channels),
     0, 63, 0, true, ElementLabel::kAlarmInputTerminal, ValueShown::kChannel,
     "Alarm input terminals: the channel each terminal watches (ch01..ch64)."},
    on_off("alarm_output", "alarm output flag", 89, kMaxInputs * kMaxAlarmOutputTerminals, KLVC_ARRAY(alarm_outputs),
           0, ElementLabel::kChannelTerminal,
           "Alarm output terminals: whether an alarm on a channel drives the terminal (ON or OFF)."),
    {"sequence", "skip/live flag", 345, kMaxInputs * kMaxOutputs, KLVC_ARRAY(sequence_live),
     0, 1, 1, false, ElementLabel::kInputOutput, ValueShown::kSkipLive,
     "Auto sequence: whether an input takes part in an output's sequence (LIVE or SKIP)."},
    {"dwell", "dwell time", 1369, kMaxOutputs, KLVC_ARRAY(dwell_times),
     0, 59, 3, false, ElementLabel::kOutput, ValueShown::kSeconds,
     "Auto sequence: how long each output dwells on an input (1s..60s)."},
    {"route", "output route", 1385, kMaxOutputs, KLVC_ARRAY(output_routes),
     0, kMaxInputs, 0, true, ElementLabel::kOutput, ValueShown::kRoute,
     "Output switching: the input each output shows (in01..in65). The input one past the\n"
     "model's last is the auto sequence: in29 on KLV-A, in25 on KLV-B, in33 on KLV-C,\n"
     "in49 on KLV-D, in65 on KLV-E."},
    on_off("output_title", "output title display flag", 1401, kMaxOutputs, KLVC_ARRAY(output_title_display),
           1, ElementLabel::kOutput, "Title display on each output (ON or OFF)."),
    on_off("datetime", "date/time display flag", 1417, kMaxOutputs, KLVC_ARRAY(datetime_display),
           1, ElementLabel::kOutput, "Date and time display on each output (ON or OFF)."),
    on_off("input_title", "input title display flag", 1433, kMaxInputs, KLVC_ARRAY(input_title_display),
           1, ElementLabel::kInput, "Title display of each input (ON or OFF)."),
    {"alarm_hold_time", "alarm hold time", 1497, 1, KLVC_SINGLE(alarm_hold_time),
     0, 59, 9, false, ElementLabel::kNone, ValueShown::kHoldTime,
     "Alarm settings (hold time 01..60, polarity MAKE or BREAK), the terminals and channel\n"
     "last chosen in the alarm dialogs, and the front-panel locks (ON or OFF)."},
    single("alarm_polarity", "alarm polarity", 1498, KLVC_SINGLE(alarm_polarity), 1, ValueShown::kMakeBreak),
    single("alarm_return", "alarm return flag", 1499, KLVC_SINGLE(alarm_return), 1, ValueShown::kOnOff),
    single("buzzer_output", "buzzer output flag", 1500, KLVC_SINGLE(buzzer_output), 1, ValueShown::kOnOff),
    single("memory_number_display", "memory number display flag", 1501, KLVC_SINGLE(memory_number_display), 1,
           ValueShown::kOnOff),
    single("alarm_input_terminal", "selected alarm input terminal", 1502, KLVC_SINGLE(alarm_input_terminal),
           kMaxAlarmInputTerminals - 1, ValueShown::kAlarmInputTerminal),
    single("alarm_output_terminal", "selected alarm output terminal", 1503, KLVC_SINGLE(alarm_output_terminal),
           kMaxAlarmOutputTerminals - 1, ValueShown::kAlarmOutputTerminal),
    single("alarm_channel", "selected alarm channel", 1504, KLVC_SINGLE(alarm_channel), kMaxInputs - 1,
           ValueShown::kChannel),
    single("password_menu", "menu lock flag", 1505, KLVC_SINGLE(password_menu), 1, ValueShown::kOnOff),
    single("password_operation", "operation lock flag", 1506, KLVC_SINGLE(password_operation), 1,
           ValueShown::kOnOff),
}};

#undef KLVC_ARRAY
#undef KLVC_SINGLE

int file_value(const IntRun& run, int value, int model) {
  return run.shown == ValueShown::kRoute && value == kRouteAuto ? input_count_for(model) : value;
}

int stored_value(const IntRun& run, int file_value, int model) {
  return run.shown == ValueShown::kRoute && file_value == input_count_for(model) ? kRouteAuto : file_value;
}

}  // namespace klvc
