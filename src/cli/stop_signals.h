// How a long run of the command line (send-all, a fleet, the simulated
// switcher) hears that it should stop: SIGINT, SIGTERM and SIGHUP only note
// the signal and wake whoever waits; the run ends at a point of its choosing
// and says how far it got.
#pragma once

namespace klvc {

class StopSignals {
 public:
  // Catches the three signals until destroyed, then puts the earlier handlers
  // back. With `ignore_pipe`, SIGPIPE is ignored too, so a closed output ends
  // the run by its EPIPE instead of killing it.
  explicit StopSignals(bool ignore_pipe);
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Blocks the calling thread until one of the signals comes; returns it.
  int wait();
};

// 0, or the signal that came since the handlers were caught.
int stop_signal_caught();
// The descriptor (an eventfd) the handler writes to wake a wait; -1: none.
void wake_on_stop_signal(int fd);

}  // namespace klvc
