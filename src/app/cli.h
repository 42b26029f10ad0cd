// The klvc command line: subcommands for scripted installs, and the screen.
#pragma once

#include <string>

namespace klvc {

// Returns the process exit code: 0 success, 1 failure, 2 bad usage or an
// unreadable file, 128 + the signal that ended a run (130 Ctrl+C, 143 SIGTERM,
// 129 SIGHUP), 141 when send-all's output was closed.
int run_cli(int argc, char** argv);

}  // namespace klvc
