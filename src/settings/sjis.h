// Conversions between the UTF-8 of the screen and the Shift-JIS (CP932) bytes
// that the switcher, the title store and the settings files use.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace klvc {

// false when a character has no CP932 form; *bad gets the first such character (UTF-8).
bool utf8_to_sjis(std::string_view utf8, std::string* sjis, std::string* bad = nullptr);
// Undecodable bytes come out as U+FFFD so broken files still show.
std::string sjis_to_utf8(std::string_view sjis);
// The bytes as UTF-8 that says all they hold: a byte or pair no code page
// maps and a control character as \xNN per byte, a backslash as \\. Read
// back by sjis_from_escaped_utf8.
std::string sjis_to_escaped_utf8(std::string_view sjis);
// The inverse: UTF-8 with \xNN (one byte) and \\ escapes as Shift-JIS bytes.
// False when a character has no CP932 form (*bad gets it) or an escape is not
// one of those two (*bad gets "\").
bool sjis_from_escaped_utf8(std::string_view utf8, std::string* sjis, std::string* bad = nullptr);
std::size_t sjis_byte_length(std::string_view utf8);  // bytes the text takes in CP932 (unmappable char counts 2)

}  // namespace klvc
