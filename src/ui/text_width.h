// Display width of UTF-8 text from our own table (wcwidth depends on the
// locale, and CI runs without one): full-width 2 cells, half-width katakana 1,
// combining marks 0.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace klvc::ui {

int char_width(char32_t c);
int display_width(std::string_view utf8);
// Splits UTF-8 into code points; invalid bytes become U+FFFD.
std::vector<char32_t> decode_utf8(std::string_view utf8);
using ::klvc::encode_utf8;
// The longest prefix of `utf8` that fits in `cells` columns.
std::string fit_width(std::string_view utf8, int cells);
// Pads with spaces (or cuts) to exactly `cells` columns.
std::string pad_to_width(std::string_view utf8, int cells);
// Breaks text into lines of at most `cells` columns, at '\n' and wherever a
// line gets too long (between words when it can).
std::vector<std::string> wrap_to_width(std::string_view utf8, int cells);

}  // namespace klvc::ui
