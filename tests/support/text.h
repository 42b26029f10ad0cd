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

}  // namespace klvc::testing
