// What the Ui needs from a screen: its size, input, output and a clock.
// The terminal backend talks to a tty; the headless one only keeps a size.
#pragma once

#include <memory>
#include <vector>

#include "ui/canvas.h"
#include "ui/clock.h"
#include "ui/event.h"

namespace klvc::ui {

class Backend {
 public:
  virtual ~Backend() = default;
  virtual Clock& clock() = 0;
  // True when the clock runs by itself (timer deadlines bound the wait).
  virtual bool real_time() const = 0;
  virtual int width() const = 0;
  virtual int height() const = 0;
  // Waits up to timeout_ms (-1: no limit) for input or for `wake_fd` to become
  // readable, and appends the decoded input.
  virtual void wait(int timeout_ms, int wake_fd, std::vector<Event>& events) = 0;
  virtual void present(const Canvas&) {}
  virtual void bell() {}
  // A close request arrived from outside (SIGINT): the operator may be asked.
  virtual bool take_close_request() { return false; }
  // The program is told to end (SIGTERM), or the terminal is gone (SIGHUP,
  // end of input): the signal's number (SIGHUP for a lost terminal), else 0.
  virtual int take_terminate_request() { return 0; }
  // Ctrl+Z: give the terminal back to the shell until continued.
  virtual void suspend() {}
  virtual void resize(int, int) {}
};

std::unique_ptr<Backend> make_headless_backend(int width, int height);
// nullptr with *error set when standard input or output is not a terminal.
std::unique_ptr<Backend> make_terminal_backend(std::string* error);

}  // namespace klvc::ui
