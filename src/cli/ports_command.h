// `klvc ports`: the serial devices present and the COM port mapping, so an
// operator can find which device a USB adapter became.
#pragma once

#include <string>
#include <vector>

#include "common/port_map.h"

namespace klvc {

struct SerialDevice {
  std::string path;    // /dev/serial/by-id/..., /dev/ttyS3, /dev/ttyUSB0, /dev/ttyACM0
  std::string target;  // for a by-id name: the device it points to
  std::string note;    // e.g. "no UART behind it", "the kernel console"
};

// The tty names the kernel writes its console to ("ttyS0"), from
// `sys_tty_root`/console/active.
std::vector<std::string> console_ttys(const std::string& sys_tty_root = "/sys/class/tty");

// Looks under `dev_root` (normally /dev) and, for the UART type of ttyS
// devices and the kernel console, under `sys_tty_root` (normally
// /sys/class/tty). By-id names first, then the tty devices in natural order
// (ttyS2 before ttyS10).
std::vector<SerialDevice> list_serial_devices(const std::string& dev_root = "/dev",
                                              const std::string& sys_tty_root = "/sys/class/tty");

// The text `klvc ports` prints: the devices, then COM1..COM6 and the device
// each maps to in `ports` (marked when it does not exist or is the kernel console).
std::string ports_report(const std::vector<SerialDevice>& devices, const std::vector<std::string>& consoles = {},
                         const PortMap& ports = PortMap());

// The command line: `klvc ports` (no further words but --help), showing
// `ports` (the profile's mapping).
int ports_main(const std::vector<std::string>& args, const PortMap& ports);
std::string ports_usage();

}  // namespace klvc
