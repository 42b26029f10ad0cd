// Small text helpers the tests share.
#pragma once

#include <string>

namespace klvc::testing {

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

inline std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

inline std::string spaces(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

// True when a byte a terminal acts on (C0 but LF, DEL, C1 as UTF-8) is in `text`.
inline bool has_control(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\n') || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) return true;
  }
  return false;
}

// カメラ in Shift-JIS, as a settings file holds it.
inline const std::string kCameraSjis = "\x83\x4A\x83\x81\x83\x89";

}  // namespace klvc::testing
