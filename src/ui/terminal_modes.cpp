#include "ui/terminal_modes.h"

#include "common/text.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace klvc::ui::terminal {
namespace {

// One undo step: bytes to write, or the saved terminal settings to restore.
struct Undo {
  const char* bytes = nullptr;
  bool restore_termios = false;
};

constexpr int kMaxUndo = 8;
Undo g_undo[kMaxUndo];
volatile std::sig_atomic_t g_undo_count = 0;
termios g_saved;
int g_in_fd = -1;
int g_out_fd = -1;
int g_wake_fd = -1;
Flags g_flags;
bool g_atexit_registered = false;

void write_all(int fd, const char* s, std::size_t n) noexcept { write_whole(fd, s, n, 0); }

bool push_bytes(const char* apply, const char* undo) {
  if (g_undo_count >= kMaxUndo) return false;
  write_all(g_out_fd, apply, std::strlen(apply));
  g_undo[g_undo_count].bytes = undo;
  g_undo[g_undo_count].restore_termios = false;
  g_undo_count = g_undo_count + 1;
  return true;
}

void pop_all() noexcept {
  while (g_undo_count > 0) {
    int i = g_undo_count - 1;
    g_undo_count = i;  // first, so a crash while undoing does not undo twice
    if (g_undo[i].restore_termios) {
      tcsetattr(g_in_fd, TCSAFLUSH, &g_saved);
    } else if (g_undo[i].bytes) {
      write_all(g_out_fd, g_undo[i].bytes, std::strlen(g_undo[i].bytes));
    }
  }
}

void on_exit_give_back() { pop_all(); }

const int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT, SIGTRAP, SIGSYS};
const int kFlagSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGWINCH, SIGTSTP, SIGCONT};
struct sigaction g_old_crash[sizeof kCrashSignals / sizeof kCrashSignals[0]];
struct sigaction g_old_flag[sizeof kFlagSignals / sizeof kFlagSignals[0]];
bool g_installed = false;

void wake() noexcept {
  if (g_wake_fd < 0) return;
  int saved = errno;
  char b = 1;
  ssize_t n = write(g_wake_fd, &b, 1);
  (void)n;
  errno = saved;
}

void on_flag_signal(int sig) {
  switch (sig) {
    case SIGWINCH: g_flags.resize = 1; break;
    case SIGTSTP: g_flags.suspend = 1; break;
    case SIGCONT: g_flags.continued = 1; break;
    case SIGHUP: g_flags.hangup = 1; break;
    case SIGTERM: g_flags.terminate = 1; break;
    default: g_flags.close = 1; break;
  }
  wake();
}

void on_crash_signal(int sig) {
  pop_all();
  signal(sig, SIG_DFL);
  raise(sig);
}

}  // namespace

Flags& flags() { return g_flags; }

termios raw_mode(const termios& cooked) {
  termios t = cooked;
  t.c_iflag &= ~static_cast<tcflag_t>(BRKINT);  // a break is not an interrupt
  t.c_iflag &= ~static_cast<tcflag_t>(ICRNL);   // Enter arrives as CR, untranslated
  t.c_iflag &= ~static_cast<tcflag_t>(INPCK);   // no parity checking on a terminal
  t.c_iflag &= ~static_cast<tcflag_t>(ISTRIP);  // keep the eighth bit (UTF-8)
  t.c_iflag &= ~static_cast<tcflag_t>(IXON);    // Ctrl+S and Ctrl+Q are keys, not flow control
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);   // output goes out as written
  t.c_cflag |= CS8;                             // eight-bit characters
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO);    // we draw what was typed
  t.c_lflag &= ~static_cast<tcflag_t>(ICANON);  // bytes as they come, not lines
  t.c_lflag &= ~static_cast<tcflag_t>(IEXTEN);  // Ctrl+V and Ctrl+O are keys
  t.c_lflag &= ~static_cast<tcflag_t>(ISIG);    // Ctrl+C and Ctrl+Z are keys the loop handles
  t.c_cc[VMIN] = 1;                             // a read returns once a byte is there
  t.c_cc[VTIME] = 0;                            // without an inter-byte timer
  return t;
}

bool take(int in_fd, int out_fd, std::string* error) {
  if (g_undo_count > 0) return true;
  g_in_fd = in_fd;
  g_out_fd = out_fd;
  if (tcgetattr(in_fd, &g_saved) != 0) {
    if (error) *error = std::string("cannot read the terminal settings: ") + std::strerror(errno);
    return false;
  }
  termios raw = raw_mode(g_saved);
  if (tcsetattr(in_fd, TCSAFLUSH, &raw) != 0) {
    if (error) *error = std::string("cannot put the terminal in raw mode: ") + std::strerror(errno);
    return false;
  }
  g_undo[0].restore_termios = true;
  g_undo[0].bytes = nullptr;
  g_undo_count = 1;
  if (!g_atexit_registered) {
    std::atexit(on_exit_give_back);
    g_atexit_registered = true;
  }
  push_bytes("\x1b[?1049h", "\x1b[?1049l");                          // alternate screen
  push_bytes("\x1b[?25l", "\x1b[?25h");                              // hidden cursor
  push_bytes("\x1b[?1000h\x1b[?1006h", "\x1b[?1006l\x1b[?1000l");    // mouse clicks, SGR coordinates
  push_bytes("\x1b[?7l", "\x1b[?7h");                                // no wrap at the right margin
  push_bytes("", "\x1b[0m");                                         // attributes back to normal
  return true;
}

void give_back() { pop_all(); }

void install_signal_handlers(int wake_fd) {
  g_wake_fd = wake_fd;
  if (g_installed) return;
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sigemptyset(&sa.sa_mask);
  sa.sa_handler = on_flag_signal;
  for (std::size_t i = 0; i < sizeof kFlagSignals / sizeof kFlagSignals[0]; ++i)
    sigaction(kFlagSignals[i], &sa, &g_old_flag[i]);
  sa.sa_handler = on_crash_signal;
  for (std::size_t i = 0; i < sizeof kCrashSignals / sizeof kCrashSignals[0]; ++i)
    sigaction(kCrashSignals[i], &sa, &g_old_crash[i]);
  g_installed = true;
}

void remove_signal_handlers() {
  if (!g_installed) return;
  for (std::size_t i = 0; i < sizeof kFlagSignals / sizeof kFlagSignals[0]; ++i)
    sigaction(kFlagSignals[i], &g_old_flag[i], nullptr);
  for (std::size_t i = 0; i < sizeof kCrashSignals / sizeof kCrashSignals[0]; ++i)
    sigaction(kCrashSignals[i], &g_old_crash[i], nullptr);
  g_installed = false;
  g_wake_fd = -1;
}

void suspend_self(int in_fd, int out_fd) {
  give_back();
  struct sigaction dfl;
  std::memset(&dfl, 0, sizeof dfl);
  sigemptyset(&dfl.sa_mask);
  dfl.sa_handler = SIG_DFL;
  struct sigaction mine;
  sigaction(SIGTSTP, &dfl, &mine);
  raise(SIGTSTP);  // stops here until the shell continues us
  sigaction(SIGTSTP, &mine, nullptr);
  g_flags.continued = 0;
  std::string ignored;
  take(in_fd, out_fd, &ignored);
}

}  // namespace klvc::ui::terminal
