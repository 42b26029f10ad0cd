// The settings file (*.dat): 1507 lines of text, one value per line in a fixed
// order, titles as raw Shift-JIS bytes. Reading tolerates what the format
// tolerates and then mends what would harm the dialogs; every such repair is
// reported with its line number.
#pragma once

#include <string>
#include <vector>

#include "settings/disk.h"
#include "settings/store.h"

namespace klvc {

struct FileProblem { int line; std::string message; };   // line 1-based; 0 for the whole file
struct ReadResult { std::vector<FileProblem> problems; bool clean() const { return problems.empty(); } };

// "line 12: message", or just the message for a whole-file problem.
std::string describe(const FileProblem& problem);

// The exact bytes of the settings file of `s` (CR LF line ends, 1507 lines),
// with the routes on Auto written for `model`. `notes` (optional) gets one
// human-readable line per value the writer had to adjust. Returns false (and
// *error) when the settings cannot be written soundly.
bool settings_file_text(const SwitcherSettings& s, int model, std::string* bytes, std::string* error,
                        std::vector<std::string>* notes = nullptr);

// Fills `s` from file bytes read under `model`, then mends out-of-range
// values. Never fails; reports problems with line numbers.
ReadResult read_settings_text(SwitcherSettings& s, int model, const std::string& bytes);

// Save: temporary file beside `path`, write, flush to disk, rename over `path`
// (replace_file); on failure the old file is untouched and *error says what
// failed, on which path, and why.
bool write_settings_file(Disk& disk, const SwitcherSettings& s, int model, const std::string& path,
                         std::string* error, std::vector<std::string>* notes = nullptr);

// Open: false + *error ("cannot open <path>: <reason>") when unreadable; `s` is then unchanged.
bool read_settings_file(SwitcherSettings& s, int model, const std::string& path, ReadResult* result,
                        std::string* error);

// Reads a whole regular file (or standard input for "-") of at most 1 MiB.
// False and *error ("cannot open <path>: <reason>") otherwise.
bool read_small_file(const std::string& path, std::string* bytes, std::string* error);

}  // namespace klvc
