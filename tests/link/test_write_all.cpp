#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <string>

#include "link/serial_io.h"

namespace klvc {
namespace {

// A device that takes bytes as scripted: each write_some takes the next
// step (bytes accepted, or an errno), each wait_writable the next wait result.
class FakeSerialIo : public SerialIo {
 public:
  struct Step {
    long taken;  // >= 0 bytes accepted (capped at what was offered); -1 fails with `error`
    int error;
  };
  std::deque<Step> writes;
  std::deque<int> waits;  // poll results: 1 writable, 0 timed out
  std::string received;
  int wait_calls = 0;
  std::int64_t* clock = nullptr;  // advanced by each wait, when set
  int wait_cost_ms = 0;

  long write_some(const char* data, std::size_t size) override {
    Step s = writes.empty() ? Step{static_cast<long>(size), 0} : writes.front();
    if (!writes.empty()) writes.pop_front();
    if (s.taken < 0) {
      errno = s.error;
      return -1;
    }
    long n = std::min<long>(s.taken, static_cast<long>(size));
    received.append(data, static_cast<std::size_t>(n));
    return n;
  }
  int wait_writable(int) override {
    ++wait_calls;
    if (clock) *clock += wait_cost_ms;
    int r = waits.empty() ? 1 : waits.front();
    if (!waits.empty()) waits.pop_front();
    return r;
  }
};

const std::string kLine = "07CA012422212121212121212121212121212121212121212121212121212121212121\r\n";

TEST(WriteAll, GoesOnAfterPartialInterruptedAndFullWritesAndSaysHowFarAFailureGot) {
  struct Case {
    const char* name;
    std::deque<FakeSerialIo::Step> writes;
    std::deque<int> waits;
    int wait_cost_ms;  // > 0: the test's clock, moved by each wait
    int error;
    std::size_t written;
    int wait_calls;  // -1: not counted
  };
  const Case cases[] = {
      {"partial writes continue", {{3, 0}, {1, 0}, {20, 0}}, {}, 0, 0, kLine.size(), -1},
      {"interrupted writes are retried", {{-1, EINTR}, {5, 0}, {-1, EINTR}}, {}, 0, 0, kLine.size(), 0},
      {"a full queue is waited out", {{10, 0}, {-1, EAGAIN}, {-1, EAGAIN}}, {}, 0, 0, kLine.size(), 2},
      // Waits at 0, 400, 800 ms: the fourth would pass the second.
      {"a held line gives up at the time-out",
       {{10, 0}, {-1, EAGAIN}, {-1, EAGAIN}, {-1, EAGAIN}, {-1, EAGAIN}}, {}, 400, ETIMEDOUT, 10, 3},
      {"a wait that times out ends the write", {{-1, EAGAIN}}, {0}, 0, ETIMEDOUT, 0, -1},
      {"a device error is reported", {{4, 0}, {-1, EIO}}, {}, 0, EIO, 4, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::int64_t now = 0;
    FakeSerialIo io;
    io.writes = c.writes;
    io.waits = c.waits;
    io.clock = &now;
    io.wait_cost_ms = c.wait_cost_ms;
    const WriteOutcome out = c.wait_cost_ms > 0
                                 ? write_all(io, kLine.data(), kLine.size(), 1000, [&] { return now; })
                                 : write_all(io, kLine.data(), kLine.size(), 1000);
    EXPECT_EQ(out.error, c.error);
    EXPECT_EQ(out.written, c.written);
    EXPECT_EQ(io.received, kLine.substr(0, c.written));
    if (c.wait_calls >= 0) {
      EXPECT_EQ(io.wait_calls, c.wait_calls);
    }
  }
}

}  // namespace
}  // namespace klvc
