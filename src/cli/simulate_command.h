// `klvc simulate`: the simulated switcher on its own, for trying the program
// (or another copy of it) without hardware.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace klvc {

struct SimulateOptions {
  int model = -1;           // --model A..E; -1: the profile's
  bool rs485 = false;       // --rs485
  std::vector<int> slaves;  // --slave N (0..31), once per unit on the bus; none: unit 0
  std::string link;         // --link PATH: a symbolic link to the pseudo-terminal
  std::vector<std::pair<int, std::string>> faults;  // --fail N:ANSWER
  bool silent = false;      // --silent
  int delay_ms = 0;         // --delay MS
  bool instant = false;     // --instant: no line time
  bool help = false;
};

// The words after "simulate". False and *error (one line) on bad usage.
bool parse_simulate_args(const std::vector<std::string>& args, SimulateOptions* options,
                         std::string* error);

// Prints the pseudo-terminal's path on the first line of stdout, then each
// line received and its answer, until SIGINT, SIGTERM or SIGHUP; returns
// 128 + the signal then (130, 143, 129), 1 when the simulator cannot start,
// 2 on bad usage. The model defaults to `profile_model` (0..4).
int simulate_command_main(const std::vector<std::string>& args, int profile_model);
std::string simulate_command_usage();

}  // namespace klvc
