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

// カメラ in Shift-JIS, as a settings file holds it.
inline const std::string kCameraSjis = "\x83\x4A\x83\x81\x83\x89";

}  // namespace klvc::testing
