#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <thread>

#include "common/text.h"
#include "link/link_log.h"
#include "sim/line_time.h"
#include "sim/simulator.h"

namespace klvc {

namespace {

std::int64_t now_ns() {
  using namespace std::chrono;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

constexpr std::int64_t kNsPerMs = 1000000;

std::string system_reason() { return std::strerror(errno); }

}  // namespace

struct SimulatedPort::Impl {
  int master = -1;
  int own_slave = -1;  // keeps the terminal alive while the program has it closed
  int wake = -1;
  int clients = -1;    // inotify: a client opening or closing the slave device
  bool stopping = false;
  std::thread thread;
  LineTime line;
  // Due time (steady clock, ns) and bytes: lines whose characters are still
  // on their way in, and answers on their way out.
  std::deque<std::pair<std::int64_t, std::string>> arriving;
  std::deque<std::pair<std::int64_t, std::string>> delayed;
  std::string unread;  // answers the client has not taken yet

  void close_all() {
    for (int* fd : {&master, &own_slave, &wake, &clients}) {
      if (*fd >= 0) ::close(*fd);
      *fd = -1;
    }
  }
};

SimulatedPort::SimulatedPort(int model_index, SimPace pace) : impl_(new Impl) {
  units_.emplace_back(model_index);
  impl_->line = LineTime(pace == SimPace::LineTime);
}

SimulatedPort::~SimulatedPort() {
  stop();
  std::lock_guard<std::mutex> lock(mutex_);
  remove_link();
}

Simulator& SimulatedPort::add_unit(int address) {
  std::lock_guard<std::mutex> lock(mutex_);
  units_.emplace_back(units_.front().model());
  units_.back().set_rs485(true, address);
  return units_.back();
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
  // Told when a client opens or closes the device. Without it (no inotify)
  // a partial line may join the next client's first line; all else works.
  im.clients = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (im.clients >= 0 &&
      ::inotify_add_watch(im.clients, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
    ::close(im.clients);
    im.clients = -1;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  slave_path_ = name;
  im.stopping = false;
  im.delayed.clear();
  im.arriving.clear();
  im.line.reset();
  im.unread.clear();
  if (!make_link(error)) {
    im.close_all();
    return false;
  }
  try {
    im.thread = std::thread(&SimulatedPort::run, this);
  } catch (const std::system_error& e) {
    remove_link();
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
  im.arriving.clear();
  im.unread.clear();
  // No path may lead to a pseudo-terminal number that another program may be given next.
  remove_link();
}

// Under mutex_: one line at a time, so each answer is paired with its line.
void SimulatedPort::handle_input(const char* data, std::size_t size, std::int64_t at_ns) {
  for (std::size_t at = 0; at < size;) {
    std::size_t end = at;
    while (end < size && data[end] != '\n') ++end;
    if (end < size) ++end;
    const std::string piece(data + at, end - at);
    at = end;
    const std::size_t before = units_.front().lines().size();
    SimTrace trace;
    bool answered = false;
    for (Simulator& unit : units_) {
      const std::string answer = unit.receive(piece);
      if (answer.empty()) continue;
      trace.answer += answer;
      trace.note = unit.last_note();
      answered = true;
    }
    if (units_.front().lines().size() == before) continue;
    trace.raw = piece;
    trace.line = units_.front().lines().back();
    if (!answered) {
      trace.note = units_.size() > 1 && units_.front().rs485() && trace.line.size() >= 2
                       ? "no unit on the bus has address " + trace.line.substr(0, 2)
                       : units_.front().last_note();
    }
    if (observer_) observer_(trace);
    if (trace.answer.empty()) continue;
    const std::int64_t due = impl_->line.depart(at_ns + delay_ms_ * kNsPerMs, trace.answer.size());
    if (due > at_ns) {
      impl_->delayed.emplace_back(due, trace.answer);
    } else {
      queue_answer(trace.answer);
    }
  }
}

// Under mutex_. Answers wait for a client that reads slowly, up to a bound.
void SimulatedPort::queue_answer(const std::string& bytes) {
  Impl& im = *impl_;
  if (im.unread.size() + bytes.size() > kMaxQueuedAnswerBytes) {
    if (observer_) {
      observer_(SimTrace{"", "", "", "answer " + escape_bytes(bytes) + " dropped: the client has not read the " +
                                     std::to_string(im.unread.size()) + " bytes of answers before it"});
    }
    return;
  }
  im.unread += bytes;
  flush_answers();
}

// Under mutex_: as much of the waiting answers as the terminal takes now.
void SimulatedPort::flush_answers() {
  Impl& im = *impl_;
  while (!im.unread.empty()) {
    ssize_t n = ::write(im.master, im.unread.data(), im.unread.size());
    if (n > 0) {
      im.unread.erase(0, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return;  // full (EAGAIN): poll says when there is room again
    }
  }
}

// Under mutex_: the bytes read from the program, each line handled once its
// last character would have come through the line.
void SimulatedPort::take_input(const char* data, std::size_t size) {
  Impl& im = *impl_;
  const std::int64_t now = now_ns();
  if (!im.line.real()) {
    handle_input(data, size, now);
    return;
  }
  for (std::size_t at = 0; at < size;) {
    std::size_t end = at;
    while (end < size && data[end] != '\n') ++end;
    if (end < size) ++end;
    im.arriving.emplace_back(im.line.arrive(now, end - at), std::string(data + at, end - at));
    at = end;
  }
}

// Under mutex_: what is due by now; returns when the next thing falls due (-1: nothing waits).
std::int64_t SimulatedPort::run_due() {
  Impl& im = *impl_;
  const std::int64_t now = now_ns();
  while (!im.arriving.empty() && im.arriving.front().first <= now) {
    const auto [due, bytes] = std::move(im.arriving.front());
    im.arriving.pop_front();
    handle_input(bytes.data(), bytes.size(), due);
  }
  while (!im.delayed.empty() && im.delayed.front().first <= now) {
    queue_answer(im.delayed.front().second);
    im.delayed.pop_front();
  }
  flush_answers();
  std::int64_t next = -1;
  for (const auto* queue : {&im.arriving, &im.delayed}) {
    if (!queue->empty() && (next < 0 || queue->front().first < next)) next = queue->front().first;
  }
  return next;
}

void SimulatedPort::run() {
  Impl& im = *impl_;
  char buf[256];
  std::int64_t next_due = -1;
  for (;;) {
    short master_events = POLLIN;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (im.stopping) return;
      if (!im.unread.empty()) master_events |= POLLOUT;
    }
    // Nanoseconds: a millisecond's rounding per line would add up over a run.
    timespec wait{};
    if (next_due >= 0) {
      const std::int64_t left = std::max<std::int64_t>(next_due - now_ns(), 0);
      wait.tv_sec = static_cast<time_t>(left / 1000000000);
      wait.tv_nsec = static_cast<long>(left % 1000000000);
    }
    pollfd fds[3] = {{im.master, master_events, 0}, {im.wake, POLLIN, 0}, {im.clients, POLLIN, 0}};
    int r = ::ppoll(fds, im.clients >= 0 ? 3 : 2, next_due >= 0 ? &wait : nullptr, nullptr);
    if (r < 0 && errno != EINTR) return;
    if (fds[1].revents) {
      eventfd_t v;
      (void)::eventfd_read(im.wake, &v);
      continue;
    }
    // Before the data: a new client's first bytes come after its open.
    if (im.clients >= 0 && (fds[2].revents & POLLIN)) {
      char events[4096];
      if (::read(im.clients, events, sizeof events) > 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        // A client came or went: what the one before left unfinished, and
        // answers still queued for it, must not reach the next one.
        for (Simulator& unit : units_) unit.drop_partial_line();
        im.unread.clear();
        im.delayed.clear();
        im.arriving.clear();
        im.line.reset();
      }
    }
    if (fds[0].revents & POLLIN) {
      ssize_t n = ::read(im.master, buf, sizeof buf);
      std::lock_guard<std::mutex> lock(mutex_);
      if (n > 0) take_input(buf, static_cast<std::size_t>(n));
    } else if (fds[0].revents & (POLLHUP | POLLERR)) {
      // Cannot happen while own_slave is open; never spin if it does.
      pollfd w{im.wake, POLLIN, 0};
      ::poll(&w, 1, 50);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    next_due = run_due();
    lines_changed_.notify_all();
  }
}

Simulator::State SimulatedPort::state(std::size_t unit) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return units_.at(unit).state();
}

std::vector<std::string> SimulatedPort::lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return units_.front().lines();
}

bool SimulatedPort::wait_for_lines(std::size_t count, int timeout_ms) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return lines_changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                 [&] { return units_.front().lines().size() >= count; });
}

void SimulatedPort::set_answer_delay_ms(int ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  delay_ms_ = ms > 0 ? ms : 0;
}

void SimulatedPort::send_raw(const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (impl_->master < 0) return;
  write_whole(impl_->master, bytes.data(), bytes.size(), 1000);  // gives up when the program is not reading
}

void SimulatedPort::set_observer(std::function<void(const SimTrace&)> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  observer_ = std::move(observer);
}

bool SimulatedPort::set_link_path(const std::string& path, std::string* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  remove_link();
  link_path_ = path;
  return !impl_->thread.joinable() || make_link(error);
}

void follow_program_setup(SimulatedPort& port, int model, bool rs485, int address) {
  port.with_simulator([&](Simulator& sim) {
    sim.set_model(model);
    sim.set_rs485(rs485, address);
  });
}

}  // namespace klvc
