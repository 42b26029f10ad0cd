#include "cli/ports_command.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>

#include "cli/args.h"
#include "common/base_name.h"
#include "common/text.h"
#include "link/link.h"
#include "link/net_port.h"

namespace klvc {

namespace {

std::vector<std::string> directory_names(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
  }
  return names;
}

bool starts_with(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// "ttyS2" < "ttyS10": the letters first, then the number.
bool natural_less(const std::string& a, const std::string& b) {
  auto split = [](const std::string& s) {
    std::size_t i = s.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(s[i - 1]))) --i;
    long n = -1;
    if (i < s.size() && !parse_digits(std::string_view(s).substr(i), &n)) n = LONG_MAX;  // too long to count
    return std::make_pair(s.substr(0, i), n);
  };
  return split(a) < split(b);
}

// A ttyS device whose UART type is 0 has no hardware behind it.
std::string uart_note(const std::string& sys_tty_root, const std::string& name) {
  std::ifstream in(sys_tty_root + "/" + name + "/type");
  int type = -1;
  if (in >> type && type == 0) return "no UART behind it";
  return {};
}

bool is_console(const std::string& path, const std::vector<std::string>& consoles) {
  char resolved[PATH_MAX];
  const std::string name = base_name(::realpath(path.c_str(), resolved) ? resolved : path);
  return std::find(consoles.begin(), consoles.end(), name) != consoles.end();
}

void add_note(SerialDevice* d, const std::string& note) {
  d->note += (d->note.empty() ? "" : "; ") + note;
}

}  // namespace

std::vector<std::string> console_ttys(const std::string& sys_tty_root) {
  std::ifstream in(sys_tty_root + "/console/active");
  std::vector<std::string> names;
  for (std::string name; in >> name;) names.push_back(name);
  return names;
}

std::vector<SerialDevice> list_serial_devices(const std::string& dev_root,
                                              const std::string& sys_tty_root) {
  std::vector<SerialDevice> out;
  const std::string by_id = dev_root + "/serial/by-id";
  std::vector<std::string> ids = directory_names(by_id);
  std::sort(ids.begin(), ids.end());
  for (const std::string& name : ids) {
    SerialDevice d;
    d.path = by_id + "/" + name;
    char resolved[PATH_MAX];
    if (::realpath(d.path.c_str(), resolved)) {
      d.target = resolved;
    } else {
      d.note = "points nowhere";
    }
    out.push_back(d);
  }
  std::vector<std::string> ttys;
  for (const std::string& name : directory_names(dev_root)) {
    if (starts_with(name, "ttyS") || starts_with(name, "ttyUSB") || starts_with(name, "ttyACM")) {
      ttys.push_back(name);
    }
  }
  std::sort(ttys.begin(), ttys.end(), natural_less);
  for (const std::string& name : ttys) {
    SerialDevice d;
    d.path = dev_root + "/" + name;
    if (starts_with(name, "ttyS")) d.note = uart_note(sys_tty_root, name);
    out.push_back(d);
  }
  const std::vector<std::string> consoles = console_ttys(sys_tty_root);
  for (SerialDevice& d : out) {
    if (is_console(d.target.empty() ? d.path : d.target, consoles)) add_note(&d, "the kernel console");
  }
  return out;
}

std::string ports_report(const std::vector<SerialDevice>& devices, const std::vector<std::string>& consoles,
                         const PortMap& ports) {
  std::string text = "Serial devices:\n";
  if (devices.empty()) text += "  (none found)\n";
  for (const SerialDevice& d : devices) {
    text += "  " + d.path;
    if (!d.target.empty()) text += " -> " + d.target;
    if (!d.note.empty()) text += "  (" + d.note + ")";
    text += "\n";
  }
  text += "COM ports:\n";
  for (int i = 0; i < kComPortCount; ++i) {
    std::string path = ports.device(i);
    text += "  COM" + std::to_string(i + 1) + " = " + (path.empty() ? "(none)" : path);
    if (is_network_port(path)) {
      text += "  (over the network)";
    } else if (!path.empty() && ::access(path.c_str(), F_OK) != 0) {
      text += "  (missing)";
    }
    const bool console = !path.empty() && is_console(path, consoles);
    if (console) text += "  (the kernel console)";
    text += "\n";
    if (console && path == "/dev/ttyS" + std::to_string(i)) {
      const std::string n = std::to_string(i + 1);
      text += "    COM" + n + "'s default is the kernel console: set com" + n +
              "_device= in the profile to the switcher's port\n";
    }
  }
  return text;
}

int ports_main(const std::vector<std::string>& args, const PortMap& ports) {
  bool help = false;
  std::vector<std::string> operands;
  std::string error;
  if (!parse_cli_args(args, {{"help", false, 0, 'h'}}, [&](int, const std::string&) {
                        help = true;
                        return std::string();
                      },
                      &operands, &error)) {
    return subcommand_usage_error("ports", error);
  }
  if (help) {
    std::cout << "Usage:\n" << ports_usage();
    return kExitOk;
  }
  if (!operands.empty()) return subcommand_usage_error("ports", "unexpected '" + operands[0] + "'");
  std::cout << shown_lines(ports_report(list_serial_devices(), console_ttys(), ports));
  return kExitOk;
}

std::string ports_usage() {
  return "  klvc ports                  list the serial devices and the COM1..COM6 mapping\n";
}

}  // namespace klvc
