#include "send_all/fleet.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "common/base_name.h"
#include "common/text.h"
#include "link/link.h"
#include "link/net_port.h"
#include "profile/ini_file.h"
#include "settings/store.h"

namespace klvc {

namespace {

const char* const kKeys[] = {"port", "com", "model", "file", "rs485", "slave", "pace"};

bool parse_yes_no(const std::string& v, bool* out) {
  const std::string w = ascii_lower(v);
  const bool yes = w == "yes" || w == "true" || w == "on" || w == "1";
  if (!yes && w != "no" && w != "false" && w != "off" && w != "0") return false;
  *out = yes;
  return true;
}

// What identifies a port: a device by the file it leads to, a network
// port by its name.
std::string port_key(const std::string& device) {
  if (is_network_port(device)) return ascii_lower(device);
  char resolved[PATH_MAX];
  return ::realpath(device.c_str(), resolved) ? std::string(resolved) : device;
}

struct Section {
  FleetTarget t;
  std::map<std::string, int> keys;  // key -> its line
  bool rs485 = false;
};

const char* fleet_pace_name(PaceMode p) { return p == PaceMode::Ack ? "ack" : "timed"; }

}  // namespace

// How many children may run at once: each holds a pipe here (two
// descriptors while it starts) and is a process with its reader thread.
int fleet_child_bound(int jobs) {
  int bound = 256;
  rlimit files{};
  if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY) {
    bound = std::min<rlim_t>(bound, files.rlim_cur > 24 ? (files.rlim_cur - 16) / 2 : 1);
  }
  rlimit procs{};
  if (::getrlimit(RLIMIT_NPROC, &procs) == 0 && procs.rlim_cur != RLIM_INFINITY) {
    bound = std::min<rlim_t>(bound, procs.rlim_cur > 8 ? (procs.rlim_cur - 4) / 2 : 1);
  }
  if (jobs > 0) bound = std::min(bound, jobs);
  return std::max(bound, 1);
}

// The plan without a port: each target, its port and the lines it would send.
int fleet_dry_run(const std::vector<FleetTarget>& targets) {
  int status = kExitOk;
  for (const auto& group : fleet_groups(targets)) {
    for (std::size_t i : group) {
      const FleetTarget& f = targets[i];
      std::ostringstream err;
      std::vector<SendAllScriptTick> ticks;
      SwitcherSettings settings;
      const int s = prepare_target(f.target, settings, err, &ticks);
      std::cerr << err.str();
      const int lines = static_cast<int>(std::count_if(ticks.begin(), ticks.end(), [](const auto& t) { return !t.line.empty(); }));
      std::cout << f.target.name << ": " << f.device << (f.target.interface_mode ? ", RS-485 slave " + std::to_string(f.target.slave) : "")
                << ", " << model_name(f.target.model) << ", pace " << fleet_pace_name(f.target.pace) << ", "
                << (f.target.file.empty() ? std::string("the defaults") : f.target.file) << ": "
                << (s == kExitOk ? std::to_string(lines) + (lines == 1 ? " line" : " lines") : std::string("cannot be sent")) << '\n';
      status = std::max(status, s);
    }
  }
  return status;
}


bool read_fleet_file(const std::string& path, std::vector<FleetTarget>* targets, std::vector<std::string>* errors,
                     const PortMap& ports) {
  std::ifstream in(path);
  if (!in) {
    errors->push_back(path + ": cannot read it: " + std::strerror(errno));
    return false;
  }
  auto error = [&](int line, const std::string& message) {
    errors->push_back(path + ":" + std::to_string(line) + ": " + message);
  };
  std::vector<Section> sections;
  std::map<std::string, int> first_line;  // each name's first section
  int n = 0;
  for (std::string raw; std::getline(in, raw);) {
    ++n;
    const IniLine read = read_ini_line(raw);
    const std::string& line = read.text;
    if (read.kind == IniLine::Kind::Blank) continue;
    std::string plain = line;
    std::replace(plain.begin(), plain.end(), '\t', ' ');
    if (shown(plain) != plain) {
      // Names, ports and paths end up on terminals and in logs: none may act on them.
      error(n, "'" + shown(plain) + "' holds a control character or a byte that is not UTF-8");
      continue;
    }
    if (read.kind == IniLine::Kind::Section) {
      const std::string& name = read.name;
      if (!read.closed || name.empty()) {
        error(n, "a section is written [NAME]");
        continue;
      }
      // Names go into reports, rows and the children's records as they are.
      const auto [first, fresh] = first_line.emplace(name, n);
      if (std::any_of(name.begin(), name.end(), [](char c) { return (c >= 0 && c < 0x20) || c == 0x7f; })) {
        error(n, "a section name cannot hold control characters (a tab, for one)");
      } else if (!fresh) {
        error(n, "[" + name + "] is given twice (line " + std::to_string(first->second) + ")");
      }
      sections.emplace_back();
      sections.back().t.target.name = name;
      sections.back().t.line = n;
      continue;
    }
    if (read.kind != IniLine::Kind::Entry) {
      error(n, "expected KEY = VALUE or [NAME]");
      continue;
    }
    const std::string key = ascii_lower(read.key);
    const std::string& value = read.value;
    if (sections.empty()) {
      error(n, "'" + key + "' comes before any section; each switcher starts with [NAME]");
      continue;
    }
    Section& s = sections.back();
    SendAllTarget& t = s.t.target;
    if (std::find(std::begin(kKeys), std::end(kKeys), key) == std::end(kKeys)) {
      error(n, "unknown key '" + key + "' (port, com, model, file, rs485, slave, pace)");
      continue;
    }
    if (s.keys.count(key)) {
      error(n, "'" + key + "' is given twice in [" + t.name + "]");
      continue;
    }
    s.keys[key] = n;
    std::string why;
    int number = 0;
    NetAddress address;
    if (key == "port") {
      if (value.empty()) {
        why = "port needs a device, tcp:HOST:PORT or rfc2217:HOST:PORT";
      } else if (is_network_port(value)) {
        parse_network_port(value, &address, &why);
      }
      s.t.port = s.t.device = value;
    } else if (key == "com") {
      if (parse_number(value, 1, kComPortCount, &number)) {
        s.t.com = number - 1;
        s.t.port = "COM" + value;
        s.t.device = ports.device(s.t.com);
      } else {
        why = "com takes 1 to " + std::to_string(kComPortCount) + ", not '" + value + "'";
      }
    } else if (key == "model") {
      why = model_value(value, &t.model);
    } else if (key == "file") {
      t.file = beside(path, value);
      if (t.file.empty()) why = "file needs a settings file";
      else if (::access(t.file.c_str(), R_OK) != 0) why = t.file + ": " + std::strerror(errno);
    } else if (key == "rs485") {
      if (!parse_yes_no(value, &s.rs485)) why = "rs485 takes yes or no, not '" + value + "'";
      t.interface_mode = s.rs485 ? 1 : 0;
    } else if (key == "slave") {
      why = slave_value(value, &t.slave);
    } else if (key == "pace") {
      if (!parse_pace_word(value, &t.pace)) why = "pace takes timed or ack, not '" + value + "'";
    }
    if (!why.empty()) error(n, why);
  }
  if (sections.empty() && errors->empty()) errors->push_back(path + ": no switchers in it; each starts with [NAME]");

  std::map<std::string, const Section*> by_port;
  std::map<std::pair<std::string, int>, const Section*> by_slave;  // each unit of a bus once
  for (const Section& s : sections) {
    // A section given twice was said once above; nothing more of it.
    if (first_line.at(s.t.target.name) != s.t.line) continue;
    const std::string name = "[" + s.t.target.name + "]";
    const bool has_port = s.keys.count("port") > 0;
    if (has_port == (s.keys.count("com") > 0)) {
      error(s.t.line, name + (has_port ? " takes port or com, not both" : " needs port = DEVICE or com = 1..6"));
      continue;
    }
    if (!s.keys.count("model")) error(s.t.line, name + " needs model = A..E");
    if (s.keys.count("slave") && !s.rs485) error(s.keys.at("slave"), "slave needs rs485 = yes in " + name);
    if (s.t.device.empty()) continue;
    const std::string key = port_key(s.t.device);
    auto [at, fresh] = by_port.emplace(key, &s);
    const Section& other = *at->second;
    if (s.rs485) {
      const auto [unit, first_unit] = by_slave.emplace(std::make_pair(key, s.t.target.slave), &s);
      const Section& o = *unit->second;
      if (!first_unit && other.rs485) {
        error(s.t.line, name + " and [" + o.t.target.name + "] (line " + std::to_string(o.t.line) +
                            ") are both slave " + std::to_string(s.t.target.slave) + " on " + s.t.device);
      }
    }
    if (!fresh && (!s.rs485 || !other.rs485)) {
      error(s.t.line, name + " and [" + other.t.target.name + "] (line " + std::to_string(other.t.line) +
                          ") share " + s.t.device + "; only RS-485 units share a port (rs485 = yes, each its own slave)");
    }
  }
  if (!errors->empty()) return false;
  for (const Section& s : sections) targets->push_back(s.t);
  return true;
}

std::vector<std::vector<std::size_t>> fleet_groups(const std::vector<FleetTarget>& targets) {
  std::vector<std::vector<std::size_t>> groups;
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const std::string key = port_key(targets[i].device);
    const auto at = std::find(keys.begin(), keys.end(), key);
    if (at == keys.end()) {
      keys.push_back(key);
      groups.push_back({i});
    } else {
      groups[static_cast<std::size_t>(at - keys.begin())].push_back(i);
    }
  }
  return groups;
}

int fleet_main(const SendAllOptions& o, const PortMap& ports) {
  std::vector<FleetTarget> targets;
  std::vector<std::string> errors;
  if (!read_fleet_file(o.targets, &targets, &errors, ports)) {
    for (const std::string& e : errors) std::cerr << shown(e) << '\n';
    std::cerr << "klvc send-all: nothing was sent; correct " << shown(o.targets) << '\n';
    return kExitUsage;
  }
  for (FleetTarget& f : targets) {
    f.target.force = o.force;
    f.target.changed = o.changed;
    f.target.sent = {f.device, f.target.interface_mode == 1, f.target.slave};
    f.target.device = f.device;
    f.target.com = f.com;
    f.target.device_named = f.com < 0;  // port = in the targets file
  }
  const auto section = [&targets](const std::string& name) {
    return std::find_if(targets.begin(), targets.end(), [&](const FleetTarget& f) { return f.target.name == name; });
  };
  if (!o.records) {
    if (!o.only.empty()) {
      std::vector<FleetTarget> named;
      for (const std::string& name : o.only) {
        const auto at = section(name);
        if (at == targets.end()) {
          std::cerr << "klvc send-all: " << shown(o.targets) << " has no [" << shown(name) << "]\n";
          return kExitUsage;
        }
        if (std::none_of(named.begin(), named.end(), [&](const FleetTarget& f) { return f.target.name == name; })) {
          named.push_back(*at);
        }
      }
      targets = std::move(named);
    }
    return run_fleet(o, targets);
  }

  // A child: the named targets, which share one port.
  std::vector<SendAllTarget> mine;
  const FleetTarget* first = nullptr;
  for (const std::string& name : o.only) {
    const auto at = section(name);
    if (at == targets.end() || (first && port_key(at->device) != port_key(first->device))) {
      std::cerr << "klvc send-all: " << shown(o.targets) << " has no [" << shown(name) << "] on the port of the others\n";
      return kExitUsage;
    }
    if (!first) first = &*at;
    mine.push_back(at->target);
  }
  return run_targets_on_port(mine, std::cout, o.log);
}

}  // namespace klvc
