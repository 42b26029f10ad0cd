// The parts that the readers of the text form and of the titles CSV share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_text.h"

namespace klvc {

// One setting read from a text.
struct TextValue {
  int line;          // the setting's line in the settings file, 1..1507
  int number;        // the value of an integer setting
  std::string text;  // Shift-JIS bytes of a title or the password
  int source_line;   // the line of the text that set it
};

struct TextParse {
  std::vector<TextValue> values;
  std::vector<FileProblem> errors;
  std::vector<FileProblem> notes;
};

// True when the first line that is not blank is the header `channel,title`.
bool is_titles_csv(std::string_view utf8);

void parse_text_form(std::string_view utf8, TitleCheck check, TextParse* out);
void parse_titles_csv(std::string_view utf8, TitleCheck check, TextParse* out);

// A title typed in UTF-8, with \xNN and \\ escapes (sjis_from_escaped_utf8),
// as the Shift-JIS bytes the store keeps. Returns "" when it can be a title,
// otherwise why not (naming the character); with a check, a control
// character never can.
std::string title_from_utf8(std::string_view utf8, TitleCheck check, std::string* sjis);

// Blanks and tabs off both ends.
std::string_view trim_blanks(std::string_view text);

}  // namespace klvc
