// `klvc file new|check|show`: settings files from scripts, without a screen.
#pragma once

#include <string>
#include <vector>

namespace klvc {

// The dispatch row: args are the words after "file".
int file_main(const std::vector<std::string>& args);

// Lines for `klvc --help`.
std::string file_usage();

// Every setting of the store, one per line, in file order (titles in UTF-8).
std::string settings_listing();

}  // namespace klvc
