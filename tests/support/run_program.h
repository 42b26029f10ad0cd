// Runs the built klvc program as a user would from a shell without a terminal.
#pragma once

#include <string>
#include <vector>

namespace klvc::testing {

struct RunResult {
  int exit_code = -1;  // 128 + signal number when a signal ended it
  std::string out;
  std::string err;
};

// Runs klvc with the arguments, stdin from /dev/null, and waits for it.
RunResult run_klvc(const std::vector<std::string>& args);

}  // namespace klvc::testing
