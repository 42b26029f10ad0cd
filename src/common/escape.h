// The one way text from outside (answers, files, names, paths) reaches a
// terminal or a log: nothing a stranger wrote can move the cursor, retitle
// the window or hide the rest of a message.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "common/text.h"

namespace klvc {

enum class Escape {
  Bytes,  // printable ASCII as is; \r \n \t \" \\ and \xNN for everything else
  Text,   // well-formed UTF-8 that prints as is; C0, DEL, C1 and bidi controls
          // and bytes that are not UTF-8 as \xNN per byte
};

namespace escape_detail {

inline void hex(std::string* out, unsigned char c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\x%02X", c);
  *out += buf;
}

// Bytes of the well-formed, printable UTF-8 character at the start of `s`, or
// 0 for a control or a byte that starts no such character.
inline std::size_t printable_utf8(std::string_view s) {
  char32_t c = 0;
  const std::size_t n = utf8_char_at(s, &c);
  if (n == 0) return 0;
  if (c < 0x80) return c >= 0x20 && c != 0x7F ? 1 : 0;
  if (c < 0xA0) return 0;                                  // C1 controls
  if ((c >= 0x200E && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
      c == 0x2028 || c == 0x2029) {
    return 0;                                              // reordering and line controls
  }
  return n;
}

}  // namespace escape_detail

inline std::string escape_bytes(std::string_view bytes, Escape how = Escape::Bytes) {
  std::string out;
  if (how == Escape::Text) {
    while (!bytes.empty()) {
      const std::size_t n = escape_detail::printable_utf8(bytes);
      if (n == 0) {
        escape_detail::hex(&out, static_cast<unsigned char>(bytes[0]));
        bytes.remove_prefix(1);
      } else {
        out.append(bytes.substr(0, n));
        bytes.remove_prefix(n);
      }
    }
    return out;
  }
  for (unsigned char c : bytes) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          out += static_cast<char>(c);
        } else {
          escape_detail::hex(&out, c);
        }
    }
  }
  return out;
}

// Outside text for a message: escape_bytes(text, Escape::Text).
inline std::string shown(std::string_view text) { return escape_bytes(text, Escape::Text); }

// A message line for a terminal or a log: each line of it shown, lines kept.
inline std::string shown_lines(std::string_view text) {
  std::string out;
  for (;;) {
    const std::size_t nl = text.find('\n');
    out += shown(text.substr(0, nl));
    if (nl == std::string_view::npos) return out;
    out += '\n';
    text.remove_prefix(nl + 1);
  }
}

}  // namespace klvc
