#include "commands/clock_commands.h"

#include "commands/command_fields.h"
#include "settings/store.h"

namespace klvc {
namespace {

// One row per clock field: its command, and its list, which shows
// first_label + index while the command carries index + offset.
struct ClockFieldCode {
  const char* code;
  int first_label;
  int entries;
  int offset;
  int LocalDateTime::*value;
};

constexpr ClockFieldCode kClockFieldCodes[kClockFieldCount] = {
    {"DSY", 2000, 100, 0, &LocalDateTime::year}, {"DSM", 1, 12, 1, &LocalDateTime::month},
    {"DSD", 1, 31, 1, &LocalDateTime::day},      {"TSH", 0, 24, 0, &LocalDateTime::hour},
    {"TSM", 0, 60, 0, &LocalDateTime::minute},   {"TSS", 0, 60, 0, &LocalDateTime::second},
};

const ClockFieldCode& row_of(ClockField field) { return kClockFieldCodes[static_cast<int>(field)]; }

}  // namespace

std::vector<std::string> clock_list_entries(ClockField field) {
  const ClockFieldCode& row = row_of(field);
  std::vector<std::string> v;
  for (int i = 0; i < row.entries; ++i) v.push_back(std::to_string(row.first_label + i));
  return v;
}

std::string clock_command(ClockField field, int selection) {
  const ClockFieldCode& row = row_of(field);
  if (selection < 0 || selection >= row.entries) return {};
  std::string line = std::string(row.code) + "01\r\n";
  put_two_digits(line, 3, selection + row.offset);
  return line;
}

int clock_list_index(ClockField field, const LocalDateTime& t) {
  const ClockFieldCode& row = row_of(field);
  int index = t.*row.value - row.first_label;
  return index >= 0 && index < row.entries ? index : -1;
}

std::string clock_adjust_command() { return "TSA\r\n"; }

std::string datetime_display_command(const SwitcherSettings& s, int output) {
  if (output < 0 || output >= kMaxOutputs) return {};
  return numbered_on_off_command("TO", output + 1, s.datetime_display[static_cast<std::size_t>(output)] != 0);
}

}  // namespace klvc
