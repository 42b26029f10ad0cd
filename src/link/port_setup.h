// Opening a serial device for the link: exclusive access, queues, raw
// 9600 8E1 settings read back and checked.
#pragma once

#include <string>
#include <vector>

namespace klvc {

// The set-up steps in the order they run; each failing step is reported to
// the operator in a box of its own.
enum class SetupStep { FileOpen, MaskSet, BufferSet, TimeOutSet, SetCommState };

struct SetupFailure {
  SetupStep step;
  std::string detail;  // device path and the system's reason, with a hint where one helps
};

// "Miss! File Open" ... "Miss! Set Comm State".
const char* setup_step_title(SetupStep step);

// Opens and configures `path`. Returns the descriptor, or -1 when a step
// failed; a failing step closes the device and the steps after it still run
// (and fail) so the operator sees each one. `simulated`: the device is the
// pseudo-terminal of the simulated switcher, which cannot hold a parity
// setting and has no modem lines; those are accepted there and nowhere else.
int set_up_port(const std::string& path, bool simulated, std::vector<SetupFailure>* failures);

// "cannot open <path>: <reason>", with what the operator can do about it.
std::string describe_open_error(const std::string& path, int error);

}  // namespace klvc
