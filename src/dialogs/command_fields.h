// Writing values into the fixed command templates that every builder copies
// ("O01I01\r\n", "TCI01OF\r\n", ...).
#pragma once

#include <cstddef>
#include <string>

namespace klvc {

// Writes a number 0..99 as two decimal digits at `pos` ("01".."64"). Returns
// false and leaves the template alone for a number outside that range or a
// position that does not fit, so a bad stored value cannot spill into the
// neighbouring fields.
bool put_two_digits(std::string& line, std::size_t pos, int value);

// Turns the template's "OF" at `pos` into "ON" when `on`.
void put_on_off(std::string& line, std::size_t pos, bool on);

// `code` + "OF"/"ON" + CR LF ("AROF", "PWMON").
std::string on_off_command(const std::string& code, bool on);

// `code` + a number as two digits + "OF"/"ON" + CR LF ("TCI07OF", "TO16ON").
std::string numbered_on_off_command(const std::string& code, int number, bool on);

}  // namespace klvc
