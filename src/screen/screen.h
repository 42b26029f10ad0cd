// The screen entry of the command line: `klvc [FILE.dat]` and
// `klvc --simulate [FILE.dat]`.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace klvc {

struct ScreenArgs {
  bool simulate = false;
  std::vector<std::pair<int, std::string>> faults;  // --fail N:ANSWER for the simulated switcher
  bool help = false;
  std::string file;  // optional settings file to open at start
};

// Parses the arguments after the program name; false and *error on bad usage.
bool parse_screen_args(const std::vector<std::string>& args, ScreenArgs* out, std::string* error);

// Runs the main window on the terminal until the operator quits.
// Exit codes: 0 done, 1 failure, 2 bad usage or no terminal, 128 + N when
// ended by signal N (SIGTERM, SIGHUP), after naming any recovery file on stderr.
int run_screen(const std::vector<std::string>& args);

}  // namespace klvc
