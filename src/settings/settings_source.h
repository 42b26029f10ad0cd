// Loading the settings from any of their forms: a settings file (*.dat), the
// text form or a titles CSV, on top of a base settings file or the defaults.
// The command line (import, export, diff, send-all) goes through here.
#pragma once

#include <string>
#include <vector>

#include "settings/settings_text.h"

namespace klvc {

struct SourceLoad {
  std::vector<std::string> errors;  // "path:line: message"; the load failed
  std::vector<std::string> mended;  // a settings file's values set back to their defaults on reading
  std::vector<std::string> notes;
  int settings = 0;                 // settings a text or CSV set
  bool titles_csv = false;
  bool unreadable = false;          // a file could not be read at all (not a text with errors)
};

// True for a name ending in ".dat" (any case): read as a settings file
// whatever it holds. Any other name is the text form or a titles CSV.
bool is_settings_file_name(const std::string& path);

// Fills `s`: the defaults, then `base` (a settings file) when given, then
// `path` when given ("-" reads the text from standard input), the routes on
// Auto read for `model`. Titles of a text are checked with `check`. Returns
// false when a file cannot be read or a text has errors; `s` then holds no
// meaningful settings.
bool load_settings_source(SwitcherSettings& s, int model, const std::string& path, const std::string& base,
                          TitleCheck check, SourceLoad* out);

// "path:line: message", or "path: message" for line 0.
std::string located(const std::string& path, const FileProblem& problem);

}  // namespace klvc
