// The settings file (*.dat): 1507 lines of text, one value per line in a fixed
// order, titles as raw Shift-JIS bytes. Reading tolerates what the format
// tolerates and then mends what would harm the dialogs; every such repair is
// reported with its line number.
#pragma once

#include <string>
#include <vector>

#include "settings/disk.h"

namespace klvc {

struct FileProblem { int line; std::string message; };   // line 1-based; 0 for the whole file
struct ReadResult { std::vector<FileProblem> problems; bool clean() const { return problems.empty(); } };

// "line 12: message", or just the message for a whole-file problem.
std::string describe(const FileProblem& problem);

// The exact bytes of the settings file for the current store (CR LF line ends, 1507 lines).
// `notes` (optional) gets one human-readable line per value the writer had to adjust.
// Returns false (and *error) when the store cannot be written soundly.
bool settings_file_text(std::string* bytes, std::string* error, std::vector<std::string>* notes = nullptr);

// Fills the store from file bytes, then mends out-of-range values; clears `modified`.
// Never fails; reports problems with line numbers.
ReadResult read_settings_text(const std::string& bytes);

// Save: temporary file beside `path`, write, flush to disk, rename over `path`
// (replace_file); on failure the old file is untouched and *error says what
// failed, on which path, and why. Clears `modified` on success.
bool write_settings_file(Disk& disk, const std::string& path, std::string* error,
                         std::vector<std::string>* notes = nullptr);
bool write_settings_file(const std::string& path, std::string* error, std::vector<std::string>* notes = nullptr);

// Open: false + *error ("cannot open <path>: <reason>") when unreadable; the store is then unchanged.
bool read_settings_file(const std::string& path, ReadResult* result, std::string* error);

// Reads a whole regular file (or standard input for "-") of at most 1 MiB.
// False and *error ("cannot open <path>: <reason>") otherwise.
bool read_small_file(const std::string& path, std::string* bytes, std::string* error);

}  // namespace klvc
