// `klvc send-all --targets FLEET.ini`: several switchers in one run. The
// targets file names each switcher in a section of its own; switchers on
// different ports run side by side, each port in a child klvc of its own,
// those on one port (an RS-485 bus) one after another on one open port.
// Each run holds its own link and settings, so one process could drive every
// port; a child per port is kept for isolation: the children report to this
// process as plain lines on a pipe, so one target's crash or hang never
// takes the others down.
#pragma once

#include <string>
#include <vector>

#include "common/port_map.h"
#include "send_all/send_all.h"
#include "send_all/target.h"

namespace klvc {

struct FleetTarget {
  SendAllTarget target;  // file resolved against the targets file's folder
  std::string port;      // as written (port = ...), or COMn for com = n
  std::string device;    // what is opened: the path, the network name, COMn's device
  int com = -1;          // 0..5 for com = 1..6
  int line = 0;          // of its section header
};

// Reads a targets file. False with every problem as "FLEET.ini:line: message"
// in *errors (or "FLEET.ini: message" for the file as a whole). COM ports
// are mapped as `ports` says (the profile's).
bool read_fleet_file(const std::string& path, std::vector<FleetTarget>* targets, std::vector<std::string>* errors,
                     const PortMap& ports = PortMap());

// The targets grouped by the port they share, each group in file order, the
// groups in the order their first target appears.
std::vector<std::vector<std::size_t>> fleet_groups(const std::vector<FleetTarget>& targets);

// The --targets run, of every target or the --only ones; with --records a
// child running the named targets of one port. COM ports mapped by `ports`.
// Returns the exit status.
int fleet_main(const SendAllOptions& o, const PortMap& ports);

// How many children may run at once: from RLIMIT_NOFILE and RLIMIT_NPROC,
// and `jobs` (--jobs N) when above 0.
int fleet_child_bound(int jobs);
// --dry-run: each target, its port and the lines it would get; no port is opened.
int fleet_dry_run(const std::vector<FleetTarget>& targets);

// The parent: starts one child per group and shows their progress on
// stderr, then the summary table.
int run_fleet(const SendAllOptions& o, const std::vector<FleetTarget>& targets);

}  // namespace klvc
