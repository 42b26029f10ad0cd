// A small INI text model that keeps every line it does not change, so the
// profile can be rewritten without losing what a person added by hand.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace klvc {

class IniText {
 public:
  IniText() = default;
  explicit IniText(const std::string& text);

  // Section and key names compare without regard to ASCII case.
  std::optional<std::string> get(const std::string& section, const std::string& key) const;
  // Replaces the key's value in place, or appends it to the section (created at the end).
  void set(const std::string& section, const std::string& key, const std::string& value);
  std::string text() const;  // LF line ends

 private:
  struct Line {
    std::string raw;
    std::string section;  // the section this line belongs to ("" before the first header)
    std::string key;      // empty unless the line is key=value
    std::string value;
    bool is_header = false;
  };
  std::vector<Line> lines_;
};

// Parses a whole-line decimal integer (spaces around allowed); nullopt otherwise.
std::optional<int> parse_profile_int(const std::string& text);

}  // namespace klvc
