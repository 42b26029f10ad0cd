#include "settings/settings_layout.h"

namespace klvc {

#define KLVC_ARRAY(field) [](SettingsStore& s) { return s.field.data(); }
#define KLVC_SINGLE(field) [](SettingsStore& s) { return &s.field; }

// In file order; lines 1-64 are the titles and line 1507 the password.
const std::array<IntRun, 18> kIntRuns = {{
    {"alarm_input", "alarm input channel", 65, kMaxAlarmInputTerminals, KLVC_ARRAY(alarm_input_channels),
     0, 63, 0, true, ElementLabel::kAlarmInputTerminal, ValueShown::kChannel,
     "Alarm input terminals: the channel each terminal watches (ch01..ch64)."},
    {"alarm_output", "alarm output flag", 89, kMaxInputs * kMaxAlarmOutputTerminals, KLVC_ARRAY(alarm_outputs),
     0, 1, 0, false, ElementLabel::kChannelTerminal, ValueShown::kOnOff,
     "Alarm output terminals: whether an alarm on a channel drives the terminal (ON or OFF)."},
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
    {"output_title", "output title display flag", 1401, kMaxOutputs, KLVC_ARRAY(output_title_display),
     0, 1, 1, false, ElementLabel::kOutput, ValueShown::kOnOff,
     "Title display on each output (ON or OFF)."},
    {"datetime", "date/time display flag", 1417, kMaxOutputs, KLVC_ARRAY(datetime_display),
     0, 1, 1, false, ElementLabel::kOutput, ValueShown::kOnOff,
     "Date and time display on each output (ON or OFF)."},
    {"input_title", "input title display flag", 1433, kMaxInputs, KLVC_ARRAY(input_title_display),
     0, 1, 1, false, ElementLabel::kInput, ValueShown::kOnOff,
     "Title display of each input (ON or OFF)."},
    {"alarm_hold_time", "alarm hold time", 1497, 1, KLVC_SINGLE(alarm_hold_time),
     0, 59, 9, false, ElementLabel::kNone, ValueShown::kHoldTime,
     "Alarm settings (hold time 01..60, polarity MAKE or BREAK), the terminals and channel\n"
     "last chosen in the alarm dialogs, and the front-panel locks (ON or OFF)."},
    {"alarm_polarity", "alarm polarity", 1498, 1, KLVC_SINGLE(alarm_polarity),
     0, 1, 0, false, ElementLabel::kNone, ValueShown::kMakeBreak, nullptr},
    {"alarm_return", "alarm return flag", 1499, 1, KLVC_SINGLE(alarm_return),
     0, 1, 0, false, ElementLabel::kNone, ValueShown::kOnOff, nullptr},
    {"buzzer_output", "buzzer output flag", 1500, 1, KLVC_SINGLE(buzzer_output),
     0, 1, 0, false, ElementLabel::kNone, ValueShown::kOnOff, nullptr},
    {"memory_number_display", "memory number display flag", 1501, 1, KLVC_SINGLE(memory_number_display),
     0, 1, 0, false, ElementLabel::kNone, ValueShown::kOnOff, nullptr},
    {"alarm_input_terminal", "selected alarm input terminal", 1502, 1, KLVC_SINGLE(alarm_input_terminal),
     0, kMaxAlarmInputTerminals - 1, 0, false, ElementLabel::kNone, ValueShown::kAlarmInputTerminal, nullptr},
    {"alarm_output_terminal", "selected alarm output terminal", 1503, 1, KLVC_SINGLE(alarm_output_terminal),
     0, kMaxAlarmOutputTerminals - 1, 0, false, ElementLabel::kNone, ValueShown::kAlarmOutputTerminal, nullptr},
    {"alarm_channel", "selected alarm channel", 1504, 1, KLVC_SINGLE(alarm_channel),
     0, kMaxInputs - 1, 0, false, ElementLabel::kNone, ValueShown::kChannel, nullptr},
    {"password_menu", "menu lock flag", 1505, 1, KLVC_SINGLE(password_menu),
     0, 1, 0, false, ElementLabel::kNone, ValueShown::kOnOff, nullptr},
    {"password_operation", "operation lock flag", 1506, 1, KLVC_SINGLE(password_operation),
     0, 1, 0, false, ElementLabel::kNone, ValueShown::kOnOff, nullptr},
}};

#undef KLVC_ARRAY
#undef KLVC_SINGLE

}  // namespace klvc
