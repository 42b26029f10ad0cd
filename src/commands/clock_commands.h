// The clock commands: the switcher's clock set field by field, the 30-second
// adjustment, and the date/time overlay of each output.
#pragma once

#include <string>
#include <vector>

namespace klvc {

struct SwitcherSettings;

// A local calendar time as the PC's clock gives it.
struct LocalDateTime {
  int year = 2000;
  int month = 1;   // 1..12
  int day = 1;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The six fields of the switcher's clock, in the dialog's order.
enum class ClockField { Year, Month, Day, Hour, Minute, Second };
constexpr int kClockFieldCount = 6;

// Body with CR LF for one clock field from its list's selection index:
//   Year   "DSY" + index ("00".."99", the year minus 2000)
//   Month  "DSM" + index + 1   Day "DSD" + index + 1
//   Hour   "TSH" + index       Minute "TSM" + index   Second "TSS" + index
// "" when `selection` is not an entry of the field's list (no selection).
std::string clock_command(ClockField field, int selection);
// The entries of a field's list: "2000".."2099", "1".."12", "1".."31",
// "0".."23", "0".."59", "0".."59".
std::vector<std::string> clock_list_entries(ClockField field);
// The list index that shows `t`'s value of `field` (-1 when the list has no
// such entry, e.g. a year outside 2000..2099).
int clock_list_index(ClockField field, const LocalDateTime& t);
// The 30-second adjustment, "TSA\r\n".
std::string clock_adjust_command();

// "TO" + output + "ON"/"OF" + CR LF from datetime_display[output];
// "" for an output outside 0..15.
std::string datetime_display_command(const SwitcherSettings& s, int output);

}  // namespace klvc
