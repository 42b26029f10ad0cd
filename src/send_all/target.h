// One switcher of `klvc send-all`, from its settings to its verdict: the
// single run of the command line, and each switcher of a targets file's bus.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "send_all/send_all.h"
#include "send_all/sent_record.h"

namespace klvc {

struct SendAllTarget {
  std::string name;          // the targets file's section; empty for a single run
  std::string file;          // settings file, text or CSV; empty: the base alone
  std::string base;          // under a text or CSV; empty: the defaults
  std::string changed_from;  // only the lines that differ from this one's
  int model = 0;
  std::string device;        // what the link opens (the built-in simulator's terminal instead)
  int com = -1;              // the COM port `device` stands for, for messages; -1: named directly
  bool device_named = false; // --port or port =: the kernel console is taken, with a warning
  int interface_mode = 0;    // 1: RS-485
  int slave = 0;
  PaceMode pace = PaceMode::Ack;
  SendAllPeriods periods;    // of the timed pace
  std::vector<std::pair<int, std::string>> faults;  // the built-in simulator's failing lines
  bool force = false;
  bool changed = false;      // only the lines that differ from what `sent`'s record says it holds
  SentRecordKey sent;        // where its record is kept; port empty: none (the built-in simulator)
  bool summary = false;      // end with the JSON summary line on stdout (run_summary_json)
};

// Loads `t`'s settings into `settings` and works out the ticks to play: the
// whole run, or with changed_from (or changed: the record) only the ticks
// whose lines differ. Messages go to `err`; returns kExitOk, or kExitUsage
// for a file that cannot be read or has problems.
int prepare_target(const SendAllTarget& t, SwitcherSettings& settings, std::ostream& err,
                   std::vector<SendAllScriptTick>* ticks);

// --dry-run: every line as it would be written (with `t`'s RS-485 address),
// one per line on stdout; a closed stdout ends it with kExitOutputClosed.
int print_ticks(const SendAllTarget& t, const std::vector<SendAllScriptTick>& ticks);

// For programs that drive klvc (the Ansible module): one line on stdout,
//   {"summary":"send-all","dry_run":false,"status":0,"lines_planned":3,"lines_sent":3,"verdict":"..."}
// where lines_planned is what the run was to send (a dry run: would send),
// lines_sent what was written in full, and verdict the last line on stderr.
void print_run_summary(bool dry_run, int status, int lines_planned, int lines_sent, const std::string& verdict);

// Opens a link of its own on `t`'s device (or starts the built-in simulated
// switcher), plays the prepared ticks of `settings`, reports on stderr and
// keeps or drops the record of what the switcher holds; returns the exit status.
// `after_simulation` (may be empty) sees the simulated switcher before it stops.
int run_single_target(const SendAllTarget& t, const SwitcherSettings& settings,
                      const std::vector<SendAllScriptTick>& ticks, bool simulate,
                      const std::function<void(Simulator&)>& after_simulation = {});

// A targets file's child: `targets` share the first one's device; one link
// opens it once and each target runs in turn, with its own address and settings. Everything it has to say goes
// to `records` as tab-separated records, one per line:
//   target NAME | progress ... (SendAllReporter) | message TEXT |
//   done NAME STATUS LINES_SENT LINES_PLANNED RUN_MS VERDICT
// Each line of `log` (may be nullptr) names the target it is for. Returns the
// worst exit status of its targets.
int run_targets_on_port(const std::vector<SendAllTarget>& targets, std::ostream& records, LinkLogFile* log);

}  // namespace klvc
