// Runs the real klvc binary on a pseudo-terminal of a fixed size and reads
// its screen back through VtScreen. Every wait has a deadline.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <string>
#include <vector>

#include "support/vt_screen.h"

namespace klvc::testing {

class PtySession {
 public:
  PtySession(int width, int height);
  ~PtySession();  // kills the child if it is still running
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  // Starts `argv` with `env` (NAME=value entries) on the terminal.
  bool start(const std::vector<std::string>& argv, const std::vector<std::string>& env, std::string* error);
  void send(const std::string& bytes);
  // Reads output until `done` holds or `timeout_ms` passes; returns done().
  bool wait_for(const std::function<bool()>& done, int timeout_ms);
  bool wait_for_text(const std::string& utf8, int timeout_ms) {
    return wait_for([&] { return screen_.contains(utf8); }, timeout_ms);
  }
  // Waits for the child to end; its exit status, or -1 on time-out or a signal.
  int wait_exit(int timeout_ms);
  int exit_signal() const { return signal_; }  // the signal that ended it, 0 if none
  // Waits until the child is stopped (SIGSTOP); false on time-out.
  bool wait_stopped(int timeout_ms);
  pid_t pid() const { return pid_; }
  // A new size, as a terminal window being resized (the child gets SIGWINCH).
  void resize(int width, int height);

  const VtScreen& screen() const { return screen_; }
  const std::string& raw_output() const { return raw_; }
  const termios& initial_modes() const { return initial_; }
  // The terminal's modes now (the slave side stays open here to ask).
  termios current_modes() const;

 private:
  void pump(int wait_ms);
  int master_ = -1;
  int slave_ = -1;
  pid_t pid_ = -1;
  int status_ = -1;
  int signal_ = 0;
  bool exited_ = false;
  termios initial_{};
  VtScreen screen_;
  std::string raw_;
};

// The environment of klvc on the terminal: `home` as its home and profile
// folder, a colour terminal, UTC, plus `extra`.
std::vector<std::string> screen_env(const std::string& home, const std::vector<std::string>& extra = {});

}  // namespace klvc::testing
