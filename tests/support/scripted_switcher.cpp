#include "scripted_switcher.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace klvc::testing {

namespace {

long long now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// How long the line must stay quiet before whatever klvc wrote is all in.
constexpr int kQuietMs = 300;

}  // namespace

ScriptedSwitcher::ScriptedSwitcher(Script script) : script_(std::move(script)) {}

ScriptedSwitcher::~ScriptedSwitcher() {
  if (thread_.joinable()) {
    (void)::eventfd_write(wake_, 1);
    thread_.join();
  }
  for (int fd : {master_, slave_, wake_}) {
    if (fd >= 0) ::close(fd);
  }
}

bool ScriptedSwitcher::start(std::string* error, speed_t speed) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  char name[64];
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
      ::ptsname_r(master_, name, sizeof name) != 0) {
    *error = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  path_ = name;
  // Anyone may open it, so an unprivileged process can try it afterwards.
  ::chmod(name, 0666);
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  termios t{};
  if (slave_ < 0 || wake_ < 0 || ::tcgetattr(slave_, &t) != 0) {
    *error = std::string("cannot open ") + name + ": " + std::strerror(errno);
    return false;
  }
  ::cfmakeraw(&t);
  ::cfsetspeed(&t, speed);
  ::tcsetattr(slave_, TCSANOW, &t);
  thread_ = std::thread(&ScriptedSwitcher::run, this);
  return true;
}

termios ScriptedSwitcher::modes() const {
  termios t{};
  ::tcgetattr(slave_, &t);
  return t;
}

std::vector<std::string> ScriptedSwitcher::lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

void ScriptedSwitcher::write_answer(const Reply& reply) {
  if (reply.byte_by_byte) {
    for (char c : reply.answer) (void)::write(master_, &c, 1);
  } else if (!reply.answer.empty()) {
    (void)::write(master_, reply.answer.data(), reply.answer.size());
  }
}

namespace {

// The next complete line of `pending` without its line end; false when none.
bool next_line(std::string* pending, std::string* line) {
  const std::size_t at = pending->find('\n');
  if (at == std::string::npos) return false;
  *line = pending->substr(0, at > 0 && (*pending)[at - 1] == '\r' ? at - 1 : at);
  pending->erase(0, at + 1);
  return true;
}

}  // namespace

void ScriptedSwitcher::take(const char* data, std::size_t size) {
  partial_.append(data, size);
  std::string line;
  while (!gone_ && next_line(&partial_, &line)) {
    int n;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(line);
      n = static_cast<int>(lines_.size());
    }
    const Reply reply = script_(n, line);
    if (reply.late_ms > 0) {
      late_.emplace_back(now_ms() + reply.late_ms, reply.answer);
    } else {
      write_answer(reply);
    }
    switch (reply.then) {
      case Reply::Then::Nothing: break;
      case Reply::Then::HoldWithXoff: (void)::write(master_, "\x13", 1); break;
      // Held first, so no line is half way when the line drops: what klvc
      // wrote before is all read, and what it writes after fails.
      case Reply::Then::HangUp:
        (void)::write(master_, "\x13", 1);
        drain();
        (void)::ioctl(slave_, TIOCVHANGUP);
        break;
      case Reply::Then::Vanish:
        (void)::write(master_, "\x13", 1);
        drain();
        ::close(master_);
        ::close(slave_);
        master_ = slave_ = -1;
        gone_ = true;
        break;
    }
  }
}

// Takes in, without answering, every line klvc wrote before the line went
// quiet, including those already read.
void ScriptedSwitcher::drain() {
  char buf[4096];
  for (;;) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, kQuietMs) <= 0) break;
    ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) break;
    partial_.append(buf, static_cast<std::size_t>(n));
  }
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::string line; next_line(&partial_, &line);) lines_.push_back(line);
}

void ScriptedSwitcher::run() {
  char buf[4096];
  while (!gone_) {
    int timeout = -1;
    if (!late_.empty()) timeout = static_cast<int>(std::max<long long>(0, late_.front().first - now_ms()));
    pollfd p[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
    if (::poll(p, 2, timeout) < 0 && errno != EINTR) return;
    if (p[1].revents) return;
    if (p[0].revents & POLLIN) {
      ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) take(buf, static_cast<std::size_t>(n));
    } else if (p[0].revents & (POLLHUP | POLLERR)) {
      // Nobody has the slave open (klvc went): wait for the next event only.
      pollfd w{wake_, POLLIN, 0};
      if (::poll(&w, 1, late_.empty() ? -1 : timeout) > 0) return;
    }
    while (!gone_ && !late_.empty() && late_.front().first <= now_ms()) {
      Reply r;
      r.answer = late_.front().second;
      write_answer(r);
      late_.erase(late_.begin());
    }
  }
}

}  // namespace klvc::testing
