#include "commands/title_display_commands.h"

#include "commands/command_fields.h"
#include "settings/store.h"

namespace klvc {
namespace {

// "TCI01OF\r\n" style: the row number, then "OF"/"ON".
template <std::size_t N>
std::string display_command(const char* code, int row, const std::array<int, N>& values) {
  if (row < 0 || row >= static_cast<int>(N)) return {};
  return numbered_on_off_command(code, row + 1, values[static_cast<std::size_t>(row)] != 0);
}

}  // namespace

std::string input_title_display_command(const SwitcherSettings& s, int input) {
  return display_command("TCI", input, s.input_title_display);
}

std::string output_title_display_command(const SwitcherSettings& s, int output) {
  return display_command("TCO", output, s.output_title_display);
}

}  // namespace klvc
