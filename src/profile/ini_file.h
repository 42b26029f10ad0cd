// The one INI reader, for the profile and the targets file: one rule for
// sections, keys and comments; and a small INI text model that keeps every
// line it does not change, so the profile can be rewritten without losing
// what a person added by hand.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace klvc {

// One line as both files read it. A comment runs from ';' or '#' at the
// start of a line or after a blank; blanks around names and values go.
struct IniLine {
  enum class Kind {
    Blank,    // nothing but blanks and a comment
    Section,  // "[NAME]"; `closed` false when the ']' is missing
    Entry,    // "KEY = VALUE" (the key may be empty)
    Other,    // anything else
  };
  Kind kind = Kind::Blank;
  std::string text;  // the line without its comment and outer blanks
  std::string name;  // Section: between the brackets
  bool closed = true;
  std::string key;   // Entry
  std::string value;
};
IniLine read_ini_line(const std::string& raw);

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
