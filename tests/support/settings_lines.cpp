#include "support/settings_lines.h"

namespace klvc::testing {

std::vector<std::string> default_file_lines() {
  std::vector<std::string> lines;
  auto repeat = [&](int n, const std::string& text) { lines.insert(lines.end(), n, text); };
  auto count_up = [&](int n) {
    for (int i = 0; i < n; ++i) lines.push_back(std::to_string(i));
  };
  repeat(64, "s");      // 1-64: channel titles, all empty
  count_up(24);         // 65-88: alarm input terminal t watches channel t
  repeat(256, "0");     // 89-344: no alarm output terminal driven
  repeat(1024, "1");    // 345-1368: every input LIVE on every output
  repeat(16, "3");      // 1369-1384: dwell times, "4" seconds
  count_up(16);         // 1385-1400: output o shows input o
  repeat(16, "1");      // 1401-1416: output title display ON
  repeat(16, "1");      // 1417-1432: date/time display ON
  repeat(64, "1");      // 1433-1496: input title display ON
  lines.push_back("9");  // 1497: alarm hold time "10"
  repeat(7, "0");       // 1498-1504: polarity, return, buzzer, memory number, selections
  repeat(2, "0");       // 1505-1506: menu and operation locks OFF
  lines.push_back("573920");  // 1507: panel password
  return lines;
}

std::string join_lines(const std::vector<std::string>& lines, const std::string& end) {
  std::string out;
  for (const std::string& l : lines) out += l + end;
  return out;
}

std::string default_settings_file(const std::vector<std::pair<int, std::string>>& line_overrides) {
  std::vector<std::string> lines = default_file_lines();
  for (const auto& o : line_overrides) lines.at(static_cast<std::size_t>(o.first - 1)) = o.second;
  return join_lines(lines);
}

}  // namespace klvc::testing
