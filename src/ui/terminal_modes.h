// Taking the terminal and giving it back. Every change (raw mode, alternate
// screen, hidden cursor, mouse reports, no line wrap) is pushed on an undo
// stack that is popped on every way out: normal exit, Ctrl+Z, and crash
// signals, where the undo runs from the signal handler itself.
#pragma once

#include <termios.h>

#include <csignal>
#include <string>

namespace klvc::ui::terminal {

// The raw-mode settings derived from the terminal's current ones.
termios raw_mode(const termios& cooked);

// Applies the changes; false with *error when the terminal refuses.
bool take(int in_fd, int out_fd, std::string* error);
// Pops the undo stack (safe to call more than once).
void give_back();

// Signals: SIGINT asks to close, SIGTERM to end, SIGHUP says the terminal is gone, SIGWINCH to relayout,
// SIGTSTP to suspend, SIGCONT says we were continued; each sets its flag and
// writes a byte to `wake_fd` so poll() returns. Crash signals give the
// terminal back and then take their default action.
void install_signal_handlers(int wake_fd);
void remove_signal_handlers();

struct Flags {
  volatile std::sig_atomic_t close = 0;
  volatile std::sig_atomic_t terminate = 0;
  volatile std::sig_atomic_t hangup = 0;
  volatile std::sig_atomic_t resize = 0;
  volatile std::sig_atomic_t suspend = 0;
  volatile std::sig_atomic_t continued = 0;
};
Flags& flags();

// Stops the process as Ctrl+Z would, with the terminal given back, and
// takes it again once continued.
void suspend_self(int in_fd, int out_fd);

}  // namespace klvc::ui::terminal
