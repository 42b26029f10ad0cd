#include "dialogs/command_fields.h"

namespace klvc {

bool put_two_digits(std::string& line, std::size_t pos, int value) {
  if (value < 0 || value > 99 || pos + 2 > line.size()) return false;
  line[pos] = static_cast<char>('0' + value / 10);
  line[pos + 1] = static_cast<char>('0' + value % 10);
  return true;
}

void put_on_off(std::string& line, std::size_t pos, bool on) {
  if (on && pos + 1 < line.size()) line[pos + 1] = 'N';
}

}  // namespace klvc
