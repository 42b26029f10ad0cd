#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <thread>

#include "sim/simulator.h"

namespace klvc {

namespace {

std::int64_t now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string system_reason() { return std::strerror(errno); }

// KLVC_SIM_FAIL="37:E3,40:GN": the nth line gets that answer (test use).
bool apply_fail_variable(Simulator& sim, std::string* error) {
  const char* value = ::getenv("KLVC_SIM_FAIL");
  if (!value || !*value) return true;
  std::string form = value;
  std::size_t at = 0;
  while (at <= form.size()) {
    std::size_t end = form.find(',', at);
    if (end == std::string::npos) end = form.size();
    std::string item = form.substr(at, end - at);
    std::size_t colon = item.find(':');
    char* stop = nullptr;
    long nth = colon == std::string::npos ? 0 : std::strtol(item.c_str(), &stop, 10);
    if (colon == std::string::npos || nth <= 0 || stop != item.c_str() + colon ||
        colon + 1 >= item.size()) {
      if (error) *error = "KLVC_SIM_FAIL: expected N:ANSWER[,N:ANSWER...], got \"" + form + "\"";
      return false;
    }
    sim.fail_command(static_cast<int>(nth), item.substr(colon + 1) + "\r\n");
    at = end + 1;
  }
  return true;
}

}  // namespace

struct SimulatedPort::Impl {
  int master = -1;
  int own_slave = -1;  // keeps the terminal alive while the program has it closed
  int wake = -1;
  bool stopping = false;
  std::thread thread;
  std::deque<std::pair<std::int64_t, std::string>> delayed;  // due time, bytes

  void close_all() {
    for (int* fd : {&master, &own_slave, &wake}) {
      if (*fd >= 0) ::close(*fd);
      *fd = -1;
    }
  }
};

SimulatedPort::SimulatedPort(int model_index) : sim_(model_index), impl_(new Impl) {}

SimulatedPort::~SimulatedPort() {
  stop();
  if (!link_path_.empty()) ::unlink(link_path_.c_str());
}

bool SimulatedPort::running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return impl_->thread.joinable();
}

std::string SimulatedPort::slave_path() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return slave_path_;
}

bool SimulatedPort::start(std::string* error) {
  if (running()) return true;
  Impl& im = *impl_;
  auto fail = [&](const std::string& what) {
    if (error) *error = what;
    im.close_all();
    return false;
  };
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!apply_fail_variable(sim_, error)) return false;
  }
  im.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (im.master < 0) return fail("cannot create a pseudo-terminal: " + system_reason());
  char name[128];
  if (::grantpt(im.master) != 0 || ::unlockpt(im.master) != 0 ||
      ::ptsname_r(im.master, name, sizeof name) != 0) {
    return fail("cannot set up the pseudo-terminal: " + system_reason());
  }
  im.own_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (im.own_slave < 0) return fail(std::string("cannot open ") + name + ": " + system_reason());
  // Raw from the start, so nothing is echoed back before the program
  // applies its own settings.
  termios t{};
  if (::tcgetattr(im.own_slave, &t) == 0) {
    ::cfmakeraw(&t);
    ::tcsetattr(im.own_slave, TCSANOW, &t);
  }
  im.wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (im.wake < 0) return fail("cannot create the simulator's wake-up descriptor: " + system_reason());
  {
    std::lock_guard<std::mutex> lock(mutex_);
    slave_path_ = name;
    im.stopping = false;
    im.delayed.clear();
  }
  if (!update_link(error)) {
    im.close_all();
    return false;
  }
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    im.thread = std::thread(&SimulatedPort::run, this);
  } catch (const std::system_error& e) {
    return fail(std::string("cannot start the simulator's thread: ") + e.what());
  }
  return true;
}

void SimulatedPort::stop() {
  Impl& im = *impl_;
  std::thread thread;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!im.thread.joinable()) return;
    im.stopping = true;
    thread = std::move(im.thread);
  }
  (void)::eventfd_write(im.wake, 1);
  thread.join();
  std::lock_guard<std::mutex> lock(mutex_);
  im.close_all();
  im.delayed.clear();
}

void SimulatedPort::run() {
  Impl& im = *impl_;
  char buf[256];
  for (;;) {
    int timeout = -1;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (im.stopping) return;
      if (!im.delayed.empty()) {
        std::int64_t left = im.delayed.front().first - now_ms();
        timeout = left > 0 ? static_cast<int>(left) : 0;
      }
    }
    pollfd fds[2] = {{im.master, POLLIN, 0}, {im.wake, POLLIN, 0}};
    int r = ::poll(fds, 2, timeout);
    if (r < 0 && errno != EINTR) return;
    if (fds[1].revents) {
      eventfd_t v;
      (void)::eventfd_read(im.wake, &v);
      continue;
    }
    if (fds[0].revents & POLLIN) {
      ssize_t n = ::read(im.master, buf, sizeof buf);
      std::lock_guard<std::mutex> lock(mutex_);
      // One line at a time so each answer can be paired with its line.
      for (ssize_t at = 0; at < n;) {
        ssize_t end = at;
        while (end < n && buf[end] != '\n') ++end;
        if (end < n) ++end;
        std::size_t before = sim_.lines().size();
        std::string answer = sim_.receive(std::string(buf + at, static_cast<std::size_t>(end - at)));
        at = end;
        if (sim_.lines().size() == before) continue;
        if (observer_) observer_(sim_.lines().back(), answer);
        if (answer.empty()) continue;
        if (delay_ms_ > 0) {
          im.delayed.emplace_back(now_ms() + delay_ms_, answer);
        } else {
          (void)::write(im.master, answer.data(), answer.size());
        }
      }
      lines_changed_.notify_all();
    } else if (fds[0].revents & (POLLHUP | POLLERR)) {
      // Cannot happen while own_slave is open; never spin if it does.
      pollfd w{im.wake, POLLIN, 0};
      ::poll(&w, 1, 50);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    std::int64_t now = now_ms();
    while (!im.delayed.empty() && im.delayed.front().first <= now) {
      const std::string& bytes = im.delayed.front().second;
      (void)::write(im.master, bytes.data(), bytes.size());
      im.delayed.pop_front();
    }
  }
}

Simulator::State SimulatedPort::state() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sim_.state();
}

std::vector<std::string> SimulatedPort::lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sim_.lines();
}

bool SimulatedPort::wait_for_lines(std::size_t count, int timeout_ms) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return lines_changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                 [&] { return sim_.lines().size() >= count; });
}

void SimulatedPort::set_answer_delay_ms(int ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  delay_ms_ = ms > 0 ? ms : 0;
}

void SimulatedPort::send_raw(const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (impl_->master < 0) return;
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(impl_->master, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      pollfd p{impl_->master, POLLOUT, 0};
      if (::poll(&p, 1, 1000) <= 0) return;  // the program is not reading
    } else {
      return;
    }
  }
}

void SimulatedPort::set_observer(
    std::function<void(const std::string& line, const std::string& answer)> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  observer_ = std::move(observer);
}

bool SimulatedPort::set_link_path(const std::string& path, std::string* error) {
  std::string old;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    old = link_path_;
    link_path_ = path;
  }
  if (!old.empty() && old != path) ::unlink(old.c_str());
  return update_link(error);
}

bool SimulatedPort::update_link(std::string* error) {
  std::string link, target;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    link = link_path_;
    target = slave_path_;
  }
  if (link.empty() || target.empty()) return true;
  struct stat st;
  if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    if (error) *error = link + " exists and is not a symbolic link; choose another path";
    return false;
  }
  // Replaced in one step, so a program opening the path never finds it missing.
  std::string temp = link + ".tmp" + std::to_string(::getpid());
  ::unlink(temp.c_str());
  if (::symlink(target.c_str(), temp.c_str()) != 0 || ::rename(temp.c_str(), link.c_str()) != 0) {
    if (error) *error = "cannot make " + link + " point to " + target + ": " + system_reason();
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace klvc
