#include "pty_session.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace klvc::testing {

namespace {

long long now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

PtySession::PtySession(int width, int height) : screen_(width, height) {
  // A cooked terminal as a shell leaves it.
  initial_.c_iflag = ICRNL | IXON | IUTF8;
  initial_.c_oflag = OPOST | ONLCR;
  initial_.c_cflag = CS8 | CREAD | B38400;
  initial_.c_lflag = ISIG | ICANON | ECHO | ECHOE | ECHOK | IEXTEN;
  initial_.c_cc[VINTR] = 3;
  initial_.c_cc[VEOF] = 4;
  initial_.c_cc[VMIN] = 1;
  initial_.c_cc[VSUSP] = 26;
  cfsetispeed(&initial_, B38400);
  cfsetospeed(&initial_, B38400);
  winsize ws{};
  ws.ws_col = static_cast<unsigned short>(width);
  ws.ws_row = static_cast<unsigned short>(height);
  if (::openpty(&master_, &slave_, nullptr, &initial_, &ws) == 0) {
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    ::tcgetattr(slave_, &initial_);
  }
}

PtySession::~PtySession() {
  if (pid_ > 0 && !exited_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
}

bool PtySession::start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                       std::string* error) {
  if (master_ < 0) {
    *error = std::string("openpty failed: ") + std::strerror(errno);
    return false;
  }
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ < 0) {
    *error = std::string("fork failed: ") + std::strerror(errno);
    return false;
  }
  if (pid_ == 0) {
    rlimit no_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);  // a test that crashes the program leaves no core file
    int fd = ::dup(slave_);  // login_tty closes what it is given
    if (fd < 0 || ::login_tty(fd) != 0) ::_exit(126);
    ::execve(args[0], args.data(), envp.data());
    ::_exit(127);
  }
  return true;
}

void PtySession::send(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void PtySession::pump(int wait_ms) {
  pollfd p{master_, POLLIN, 0};
  if (::poll(&p, 1, wait_ms) <= 0) return;
  char buf[8192];
  ssize_t n = ::read(master_, buf, sizeof buf);
  if (n > 0) {
    raw_.append(buf, static_cast<std::size_t>(n));
    screen_.feed(std::string(buf, static_cast<std::size_t>(n)));
  }
}

bool PtySession::wait_for(const std::function<bool()>& done, int timeout_ms) {
  const long long deadline = now_ms() + timeout_ms;
  while (!done()) {
    const long long left = deadline - now_ms();
    if (left <= 0) return false;
    pump(static_cast<int>(std::min<long long>(left, 100)));
  }
  return true;
}

int PtySession::wait_exit(int timeout_ms) {
  const long long deadline = now_ms() + timeout_ms;
  while (!exited_) {
    int st = 0;
    pid_t r = ::waitpid(pid_, &st, WNOHANG);
    if (r == pid_ && (WIFEXITED(st) || WIFSIGNALED(st))) {
      exited_ = true;
      status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
      signal_ = WIFSIGNALED(st) ? WTERMSIG(st) : 0;
      break;
    }
    const long long left = deadline - now_ms();
    if (left <= 0) return -1;
    pump(static_cast<int>(std::min<long long>(left, 50)));
  }
  // What the program wrote last (the restore sequences) is still in the pipe.
  for (int i = 0; i < 20; ++i) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) break;
    pump(0);
  }
  return status_;
}

bool PtySession::wait_stopped(int timeout_ms) {
  const long long deadline = now_ms() + timeout_ms;
  for (;;) {
    int st = 0;
    if (::waitpid(pid_, &st, WNOHANG | WUNTRACED) == pid_ && WIFSTOPPED(st)) return true;
    const long long left = deadline - now_ms();
    if (left <= 0) return false;
    pump(static_cast<int>(std::min<long long>(left, 50)));
  }
}

void PtySession::resize(int width, int height) {
  winsize ws{};
  ws.ws_col = static_cast<unsigned short>(width);
  ws.ws_row = static_cast<unsigned short>(height);
  screen_.resize(width, height);
  ::ioctl(master_, TIOCSWINSZ, &ws);
}

termios PtySession::current_modes() const {
  termios t{};
  ::tcgetattr(slave_, &t);
  return t;
}

std::vector<std::string> screen_env(const std::string& home, const std::vector<std::string>& extra) {
  std::vector<std::string> env = {"HOME=" + home, "XDG_CONFIG_HOME=" + home, "TERM=xterm-256color",
                                  "PATH=/usr/bin:/bin", "TZ=UTC"};
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

}  // namespace klvc::testing
