// Opening a serial device for the link: exclusive access, queues, raw
// 9600 8E1 settings read back and checked, and handing the device back as it
// was found.
#pragma once

#include <termios.h>

#include <string>
#include <vector>

namespace klvc {

// The set-up steps in the order they run; each failing step is reported to
// the operator in a box of its own, under the title the operator knows it by
// (setup_step_title).
enum class SetupStep {
  OpenForExclusiveUse,         // open, a terminal device, flock and TIOCEXCL
  WatchForReceivedCharacters,  // the descriptor can be polled for input
  ClearQueues,                 // both driver queues flushed
  MakeReadsNonBlocking,        // O_NONBLOCK: reads return with what is queued
  ApplyLineSettings,           // 9600 8E1 with handshake, read back and compared
};

struct SetupFailure {
  SetupStep step;
  std::string detail;  // device path and the system's reason, with a hint where one helps
  // The step could not run because an earlier one failed and closed the
  // device: the earlier failure is the cause.
  bool follows = false;
};

// "Miss! File Open" ... "Miss! Set Comm State".
const char* setup_step_title(SetupStep step);

// A device as the link holds it, with what it takes to hand it back.
struct OpenPort {
  int fd = -1;
  bool pseudo_terminal = false;
  bool exclusive = false;  // TIOCEXCL set by us
  bool have_found = false;
  termios found{};         // the settings read right after opening
};

// Opens and configures `path`. On failure the returned port has fd -1; a
// failing step hands the device back (release_port) and the steps after it
// still run (and fail, marked `follows`) so the operator sees each one.
// A pseudo-terminal (the simulated switcher, socat, a network serial
// daemon) cannot hold a parity bit; there, and only there, a missing parity
// bit is accepted.
// The line settings are read back through `read_back` (tcgetattr unless a
// test hands in a driver that reports what it likes).
using ReadLineSettings = int (*)(int fd, termios* settings);
OpenPort set_up_port(const std::string& path, std::vector<SetupFailure>* failures,
                     ReadLineSettings read_back = ::tcgetattr);

// Hands the device back as it was found: exclusive mode cleared, the settings
// read at open put back, the descriptor closed (which drops the lock).
// Errors are ignored: a device that went away cannot be put back.
void release_port(OpenPort* port);

// A Unix98 pseudo-terminal: the slave side by its device major (136..143),
// the master side by TIOCGPTN.
bool is_pseudo_terminal(int fd);

// Why output to the device does not move: its CTS line when it has one and
// it is low, else the switcher's XOFF.
std::string output_held_by(int fd);

// "cannot open <path>: <reason>", with what the operator can do about it.
std::string describe_open_error(const std::string& path, int error);

}  // namespace klvc
