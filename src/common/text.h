// Small helpers on bytes and text that several layers need, written once.
// Apart from every layer; plain ASCII rules, never the locale's.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>

namespace klvc {

// 'a' for 'A'; every other byte (UTF-8 and Shift-JIS included) as it is.
constexpr char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string ascii_lower(std::string s) {
  for (char& c : s) c = ascii_lower(c);
  return s;
}

// Equal but for ASCII letter case.
inline bool same_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

// A line as shown: one final CR LF taken off, anything else (a bare LF, a
// cut line) left to show.
inline std::string without_crlf(std::string_view line) {
  if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") line.remove_suffix(2);
  return std::string(line);
}

// A line with every trailing CR and LF taken off.
inline std::string without_line_ends(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

// The UTF-8 bytes of `c`; one that is no character (a surrogate, past
// U+10FFFF) becomes U+FFFD.
inline std::string encode_utf8(char32_t c) {
  std::string s;
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

// Bytes of the well-formed UTF-8 character at the start of `s` (no overlong
// forms, no surrogates), or 0; *code gets it.
inline std::size_t utf8_char_at(std::string_view s, char32_t* code = nullptr) {
  const auto b = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = b(0);
  if (lead < 0x80) {
    if (code) *code = lead;
    return 1;
  }
  std::size_t n = 0;
  char32_t c = 0;
  char32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2, c = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3, c = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4, c = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((b(i) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b(i) & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  if (code) *code = c;
  return n;
}

// `text` as a number when it is ASCII digits only (no sign, no space, nothing
// after) and fits in `Int`; otherwise false and *value untouched.
template <typename Int>
bool parse_digits(std::string_view text, Int* value) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  Int v{};
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, v);
  if (r.ec != std::errc() || r.ptr != end) return false;
  *value = v;
  return true;
}

// Writes all `size` bytes to `fd`, again after an interrupted write. When the
// descriptor is full, waits for room up to `wait_ms` each time (-1: as long
// as it takes; 0: gives up at once). False when not everything was written.
// Only write and poll: safe in a signal handler.
inline bool write_whole(int fd, const char* data, std::size_t size, int wait_ms) noexcept {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n > 0) {
      data += n;
      size -= static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN && wait_ms != 0) {
      pollfd p{fd, POLLOUT, 0};
      const int r = ::poll(&p, 1, wait_ms);
      if (r == 0 || (r < 0 && errno != EINTR)) return false;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace klvc
