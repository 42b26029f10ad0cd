// The settings file of a freshly reset store, written out by hand from the
// file layout (never produced by the writer under test).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace klvc::testing {

// The 1507 lines, without line ends.
std::vector<std::string> default_file_lines();

// Lines joined with `end` after every line.
std::string join_lines(const std::vector<std::string>& lines, const std::string& end = "\r\n");

// The default file's bytes (CR LF), with the given lines replaced:
// {1-based line number, text}.
std::string default_settings_file(const std::vector<std::pair<int, std::string>>& line_overrides = {});

}  // namespace klvc::testing
