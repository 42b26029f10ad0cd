// `klvc file new|check|export|show|import|diff`: settings files from scripts,
// without a screen.
#pragma once

#include <string>
#include <vector>

namespace klvc {

// The dispatch row: args are the words after "file".
int file_main(const std::vector<std::string>& args);

// Lines for `klvc --help`.
std::string file_usage();

}  // namespace klvc
