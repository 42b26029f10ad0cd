#include "commands/sequence_commands.h"

#include "commands/command_fields.h"
#include "settings/store.h"

namespace klvc {

std::string sequence_live_command(const SwitcherSettings& s, int input, int output) {
  if (!is_sequence_pair(input, output)) return {};
  std::string line = "ASM0101S\r\n";
  put_two_digits(line, 3, output + 1);
  put_two_digits(line, 5, input + 1);
  if (s.sequence_live[static_cast<std::size_t>(sequence_live_index(input, output))] != 0) line[7] = 'L';
  return line;
}

std::string dwell_time_command(const SwitcherSettings& s, int output) {
  if (output < 0 || output >= kMaxOutputs) return {};
  const int seconds = s.dwell_times[static_cast<std::size_t>(output)] + 1;
  if (seconds < 1 || seconds > kMaxDwellSeconds) return {};
  std::string line = "AST0103\r\n";
  put_two_digits(line, 3, output + 1);
  put_two_digits(line, 5, seconds);
  return line;
}

}  // namespace klvc
