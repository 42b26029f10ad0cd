// The klvc command line: subcommands for scripted installs, and the screen.
#pragma once

#include <string>

namespace klvc {

// Returns the process exit code: 0 success, 1 failure, 2 bad usage, 130 interrupted.
int run_cli(int argc, char** argv);

}  // namespace klvc
