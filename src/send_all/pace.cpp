// The program's pace for a send-all run: the monotonic clock, woken early
// by the run's signals and by each answer, and while it waits reading the
// answers on the port itself.
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "send_all/send_all.h"
#include "cli/stop_signals.h"
#include "link/link.h"

namespace klvc {

namespace {

class MonotonicPace : public SendAllPace {
 public:
  MonotonicPace() : wake_fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) { wake_on_stop_signal(wake_fd_); }
  ~MonotonicPace() override {
    wake_on_stop_signal(-1);
    if (wake_fd_ >= 0) ::close(wake_fd_);
  }
  std::int64_t now_ms() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
  }
  void wait_until(std::int64_t deadline_ms) override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t left_ns =
        deadline_ms * 1000000 - (std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec);
    if (left_ns <= 0) return;
    const timespec left{static_cast<time_t>(left_ns / 1000000000), static_cast<long>(left_ns % 1000000000)};
    // Woken early by a signal (the handler writes the descriptor, and the
    // wait ends with EINTR) or by an answer.
    pollfd p[2] = {{wake_fd_, POLLIN, 0}, {watch_fd_, POLLIN, 0}};
    if (::ppoll(p, 2, &left, nullptr) > 0) {
      if (p[0].revents) {
        eventfd_t v;
        (void)::eventfd_read(wake_fd_, &v);
      }
      if (p[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        // The reader thread takes the port back and says what became of it.
        watch_fd_ = watched_->read_answers_yourself(false);
      } else if (p[1].revents & POLLIN) {
        watched_->read_answers_now();
      }
    }
  }
  void watch(Link& link, int fd) override {
    watched_ = &link;
    watch_fd_ = fd;
  }
  bool ok() const { return wake_fd_ >= 0; }
  int stop_signal() override { return stop_signal_caught(); }
  void wake() override { (void)::eventfd_write(wake_fd_, 1); }

 private:
  int wake_fd_;
  int watch_fd_ = -1;
  Link* watched_ = nullptr;  // whose answers arrive on watch_fd_
};

}  // namespace

std::unique_ptr<SendAllPace> monotonic_send_all_pace(std::string* why) {
  auto pace = std::make_unique<MonotonicPace>();
  if (pace->ok()) return pace;
  *why = std::string("cannot create the descriptor that wakes the run: ") + std::strerror(errno);
  return nullptr;
}

}  // namespace klvc
