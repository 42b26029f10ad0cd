#include "cli/stop_signals.h"

#include <signal.h>
#include <sys/eventfd.h>

namespace klvc {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t g_stop_signal = 0;
volatile sig_atomic_t g_wake_fd = -1;
struct sigaction g_old_stop[3];
struct sigaction g_old_pipe;
bool g_pipe_ignored = false;

extern "C" void on_stop_signal(int sig) {
  g_stop_signal = sig;
  if (g_wake_fd >= 0) (void)::eventfd_write(g_wake_fd, 1);
}

}  // namespace

StopSignals::StopSignals(bool ignore_pipe) {
  g_stop_signal = 0;
  struct sigaction stop {};
  stop.sa_handler = on_stop_signal;
  sigemptyset(&stop.sa_mask);
  stop.sa_flags = 0;  // no SA_RESTART: a sleep must wake up
  for (int i = 0; i < 3; ++i) sigaction(kStopSignals[i], &stop, &g_old_stop[i]);
  g_pipe_ignored = ignore_pipe;
  if (ignore_pipe) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &g_old_pipe);
  }
}

StopSignals::~StopSignals() {
  for (int i = 0; i < 3; ++i) sigaction(kStopSignals[i], &g_old_stop[i], nullptr);
  if (g_pipe_ignored) sigaction(SIGPIPE, &g_old_pipe, nullptr);
}

int StopSignals::wait() {
  // Blocked while the flag is looked at, open only inside sigsuspend: a
  // signal between the two is not lost.
  sigset_t stop;
  sigemptyset(&stop);
  for (int s : kStopSignals) sigaddset(&stop, s);
  sigset_t before;
  pthread_sigmask(SIG_BLOCK, &stop, &before);
  sigset_t during = before;
  for (int s : kStopSignals) sigdelset(&during, s);
  while (g_stop_signal == 0) sigsuspend(&during);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return g_stop_signal;
}

int stop_signal_caught() { return g_stop_signal; }

void wake_on_stop_signal(int fd) { g_wake_fd = fd; }

}  // namespace klvc
