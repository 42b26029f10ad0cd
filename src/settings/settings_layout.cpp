#include "settings/settings_layout.h"

namespace klvc {

#define KLVC_ARRAY(field) [](SettingsStore& s) { return s.field.data(); }
#define KLVC_SINGLE(field) [](SettingsStore& s) { return &s.field; }

// In file order; lines 1-64 are the titles and line 1507 the password.
const std::array<IntRun, 18> kIntRuns = {{
    {"alarm_input", "alarm input channel", 65, kMaxAlarmInputTerminals, KLVC_ARRAY(alarm_input_channels),
     0, 63, 0, true, ElementLabel::kAlarmInputTerminal, ValueShown::kChannel},
    {"alarm_output", "alarm output flag", 89, kMaxInputs * kMaxAlarmOutputTerminals, KLVC_ARRAY(alarm_outputs),
     0, 1, 0, false, ElementLabel::kChannelTerminal, ValueShown::kOnOff},
    {"sequence", "skip/live flag", 345, kMaxInputs * kMaxOutputs, KLVC_ARRAY(sequence_live),
     0, 1, 1, false, ElementLabel::kInputOutput, ValueShown::kSkipLive},
    {"dwell", "dwell time", 1369, kMaxOutputs, KLVC_ARRAY(dwell_times),
     0, 59, 3, false, ElementLabel::kOutput, ValueShown::kSeconds},
    {"route", "output route", 1385, kMaxOutputs, KLVC_ARRAY(output_routes),
     0, kMaxInputs, 0, true, ElementLabel::kOutput, ValueShown::kRoute},
    {"output_title", "output title display flag", 1401, kMaxOutputs, KLVC_ARRAY(output_title_display),
     0, 1, 1, false, ElementLabel::kOutput, ValueShown::kOnOff},
    {"datetime", "date/time display flag", 1417, kMaxOutputs, KLVC_ARRAY(datetime_display),
     0, 1, 1, false, ElementLabel::kOutput, ValueShown::kOnOff},
    {"input_title", "input title display flag", 1433, kMaxInputs, KLVC_ARRAY(input_title_display),
     0, 1, 1, false, ElementLabel::kInput, ValueShown::kOnOff},
    {"alarm_hold_time", "alarm hold time", 1497, 1, KLVC_SINGLE(alarm_hold_time),
     0, 59, 9, false, ElementLabel::kNone, ValueShown::kHoldTime},
    {"alarm_polarity", "alarm polarity", 1498, 1, KLVC_SINGLE(alarm_polarity),
     0, 1, 0, false, ElementLabel::kNone, ValueShown::kMakeBreak},
    {"alarm_return", "alarm return flag", 1499, 1, KLVC_SINGLE(alarm_return),
     0, 1, 0, false, ElementLabel::kNone, ValueShown::kOnOff},
    {"buzzer_output", "buzzer output flag", 1500, 1, KLVC_SINGLE(buzzer_output),
     0, 1, 0, false, ElementLabel::kNone, ValueShown::kOnOff},
    {"memory_number_display", "memory number display flag", 1501, 1, KLVC_SINGLE(memory_number_display),
     0, 1, 0, false, ElementLabel::kNone, ValueShown::kOnOff},
    {"alarm_input_terminal", "selected alarm input terminal", 1502, 1, KLVC_SINGLE(alarm_input_terminal),
     0, kMaxAlarmInputTerminals - 1, 0, false, ElementLabel::kNone, ValueShown::kAlarmInputTerminal},
    {"alarm_output_terminal", "selected alarm output terminal", 1503, 1, KLVC_SINGLE(alarm_output_terminal),
     0, kMaxAlarmOutputTerminals - 1, 0, false, ElementLabel::kNone, ValueShown::kAlarmOutputTerminal},
    {"alarm_channel", "selected alarm channel", 1504, 1, KLVC_SINGLE(alarm_channel),
     0, kMaxInputs - 1, 0, false, ElementLabel::kNone, ValueShown::kChannel},
    {"password_menu", "menu lock flag", 1505, 1, KLVC_SINGLE(password_menu),
     0, 1, 0, false, ElementLabel::kNone, ValueShown::kOnOff},
    {"password_operation", "operation lock flag", 1506, 1, KLVC_SINGLE(password_operation),
     0, 1, 0, false, ElementLabel::kNone, ValueShown::kOnOff},
}};

#undef KLVC_ARRAY
#undef KLVC_SINGLE

}  // namespace klvc
