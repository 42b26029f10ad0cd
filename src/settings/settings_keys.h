// How the text form names each saved setting and writes its value, both
// ways: keys such as "title ch01", "route out03", "sequence in02 out05" and
// values such as "in12", "ON", "4s". A setting is identified by its line in
// the settings file (1..1507), so the key table is the file layout itself.
#pragma once

#include <string>
#include <string_view>

#include "settings/settings_layout.h"

namespace klvc {

// The key of the setting on settings-file line `line`.
std::string setting_key(int line);

// The run holding settings-file line `line` and the element's index in it;
// nullptr for the titles and the password.
const IntRun* run_at_line(int line, int* element);

inline bool is_title_line(int line) { return line >= kTitlesFirstLine && line < kTitlesFirstLine + kMaxInputs; }

// A value as the text form writes it, and the note a listing adds after it
// ("Auto on KLV-A" for a route that is a model's auto sequence), or "".
std::string value_text(ValueShown shown, int value);
std::string value_note(ValueShown shown, int value);

// Reads a key (words separated by blanks, letters in any case). False with
// *error for an unknown key or an element beyond the largest model.
bool parse_setting_key(std::string_view key, int* line, std::string* error);

// Reads a value of `run` and checks its range. The prefix and the unit may
// be left out ("12" for "in12", "10" for "10s"). False with *error.
bool parse_setting_value(const IntRun& run, std::string_view text, int* value, std::string* error);

}  // namespace klvc
