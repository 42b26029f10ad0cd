#include "commands/alarm_commands.h"

#include "commands/command_fields.h"
#include "settings/store.h"

namespace klvc {

std::string alarm_hold_time_command(const SwitcherSettings& s) {
  std::string line = "ADT10\r\n";
  int seconds = s.alarm_hold_time + 1;
  if (seconds < 1 || seconds > 60 || !put_two_digits(line, 3, seconds)) return {};
  return line;
}

std::string alarm_polarity_command(const SwitcherSettings& s) {
  std::string line = "AICM\r\n";
  if (s.alarm_polarity != 0) line[3] = 'B';
  return line;
}

std::string alarm_return_command(const SwitcherSettings& s) { return on_off_command("AR", s.alarm_return != 0); }

std::string buzzer_output_command(const SwitcherSettings& s) { return on_off_command("BZ", s.buzzer_output != 0); }

std::string memory_number_display_command(const SwitcherSettings& s) {
  return on_off_command("MN", s.memory_number_display != 0);
}

std::string alarm_input_terminal_command(const SwitcherSettings& s, int terminal) {
  if (terminal < 0 || terminal >= kMaxAlarmInputTerminals) return {};
  const int channel = s.alarm_input_channels[static_cast<std::size_t>(terminal)];
  if (channel < 0 || channel >= kMaxInputs) return {};
  std::string line = "AIS0101\r\n";
  put_two_digits(line, 3, terminal + 1);
  put_two_digits(line, 5, channel + 1);
  return line;
}

std::string alarm_output_command(const SwitcherSettings& s, int channel, int terminal) {
  if (!is_alarm_output_pair(channel, terminal)) return {};
  std::string line = "AMO0101OF\r\n";
  put_two_digits(line, 3, channel + 1);
  line[6] = static_cast<char>('1' + terminal);
  put_on_off(line, 7, s.alarm_outputs[static_cast<std::size_t>(alarm_output_index(channel, terminal))] != 0);
  return line;
}

}  // namespace klvc
