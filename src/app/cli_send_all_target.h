// One switcher of `klvc send-all`, from its settings to its verdict: the
// single run of the command line, and each switcher of a targets file's bus.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "app/cli_send_all.h"

namespace klvc {

struct SendAllTarget {
  std::string name;          // the targets file's section; empty for a single run
  std::string file;          // settings file, text or CSV; empty: the base alone
  std::string base;          // under a text or CSV; empty: the defaults
  std::string changed_from;  // only the lines that differ from this one's
  int model = 0;
  int interface_mode = 0;    // 1: RS-485
  int slave = 0;
  PaceMode pace = PaceMode::Ack;
  bool force = false;
};

// Sets the store up for `t` (model, interface, address, its settings) and
// works out the ticks to play: the whole run, or with changed_from only the
// ticks whose lines differ. Messages go to `err`; returns kExitOk, or
// kExitUsage for a file that cannot be read or has problems.
int prepare_target(const SendAllTarget& t, std::ostream& err, std::vector<SendAllScriptTick>* ticks);

// --dry-run: every line as it would be written (with the RS-485 address),
// one per line on stdout; a closed stdout ends it with kExitOutputClosed.
int print_ticks(const std::vector<SendAllScriptTick>& ticks);

// Opens the port (or starts the built-in simulated switcher), plays the
// prepared ticks and reports on stderr; returns the exit status.
// `after_simulation` (may be empty) sees the simulated switcher before it stops.
int run_single_target(const SendAllTarget& t, const std::vector<SendAllScriptTick>& ticks, bool simulate,
                      const std::function<void(Simulator&)>& after_simulation = {});

// A targets file's child: `targets` share the port the store names; it is
// opened once and each target runs in turn. Everything it has to say goes
// to `records` as tab-separated records, one per line:
//   target NAME | progress ... (SendAllReporter) | message TEXT |
//   done NAME STATUS LINES_SENT LINES_PLANNED RUN_MS VERDICT
// Each line of `log` (may be nullptr) names the target it is for. Returns the
// worst exit status of its targets.
int run_targets_on_port(const std::vector<SendAllTarget>& targets, std::ostream& records, LinkLogFile* log);

}  // namespace klvc
