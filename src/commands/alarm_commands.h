// The alarm commands: the five alarm settings and the alarm terminals.
#pragma once

#include <string>

namespace klvc {

struct SwitcherSettings;

// Command builders. Each reads only the settings it is given (so the
// send-all run can use them with no dialog open) and returns the body with
// its CR LF:
//   alarm_hold_time_command        "ADT" + hold time "01".."60"
//   alarm_polarity_command         "AICM" (MAKE) or "AICB" (BREAK)
//   alarm_return_command           "AROF" / "ARON"
//   buzzer_output_command          "BZOF" / "BZON"
//   memory_number_display_command  "MNOF" / "MNON"
// The hold time is "" for a stored value outside its list.
std::string alarm_hold_time_command(const SwitcherSettings& s);
std::string alarm_polarity_command(const SwitcherSettings& s);
std::string alarm_return_command(const SwitcherSettings& s);
std::string buzzer_output_command(const SwitcherSettings& s);
std::string memory_number_display_command(const SwitcherSettings& s);

// "AIS" + terminal + channel + CR LF from alarm_input_channels[terminal]
// (terminal 0..23); "" for a terminal outside the store or a stored channel
// outside 0..63.
std::string alarm_input_terminal_command(const SwitcherSettings& s, int terminal);
// "AMO" + channel + "0" + terminal digit + "ON"/"OF" + CR LF from
// alarm_outputs[channel][terminal] (channel 0..63, terminal 0..3); "" for an
// index outside the store.
std::string alarm_output_command(const SwitcherSettings& s, int channel, int terminal);

}  // namespace klvc
