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

TEST(WriteAll, PartialWritesAreContinuedUntilTheLineIsOut) {
  FakeSerialIo io;
  io.writes = {{3, 0}, {1, 0}, {20, 0}};
  WriteOutcome out = write_all(io, kLine.data(), kLine.size(), 1000);
  EXPECT_EQ(out.error, 0);
  EXPECT_EQ(out.written, kLine.size());
  EXPECT_EQ(io.received, kLine);
}

TEST(WriteAll, InterruptedWritesAreRetried) {
  FakeSerialIo io;
  io.writes = {{-1, EINTR}, {5, 0}, {-1, EINTR}};
  WriteOutcome out = write_all(io, kLine.data(), kLine.size(), 1000);
  EXPECT_EQ(out.error, 0);
  EXPECT_EQ(io.received, kLine);
  EXPECT_EQ(io.wait_calls, 0);
}

TEST(WriteAll, AFullQueueIsWaitedOutThenWritingGoesOn) {
  FakeSerialIo io;
  io.writes = {{10, 0}, {-1, EAGAIN}, {-1, EAGAIN}};
  WriteOutcome out = write_all(io, kLine.data(), kLine.size(), 1000);
  EXPECT_EQ(out.error, 0);
  EXPECT_EQ(io.received, kLine);
  EXPECT_EQ(io.wait_calls, 2);
}

TEST(WriteAll, AHeldLineGivesUpAtTheTimeOutAndSaysHowFarItGot) {
  std::int64_t now = 0;
  FakeSerialIo io;
  io.clock = &now;
  io.wait_cost_ms = 400;
  io.writes = {{10, 0}, {-1, EAGAIN}, {-1, EAGAIN}, {-1, EAGAIN}, {-1, EAGAIN}};
  WriteOutcome out = write_all(io, kLine.data(), kLine.size(), 1000, [&] { return now; });
  EXPECT_EQ(out.error, ETIMEDOUT);
  EXPECT_EQ(out.written, 10u);
  EXPECT_EQ(io.wait_calls, 3);  // 0, 400, 800 ms: the fourth would pass the second
}

TEST(WriteAll, AWaitThatTimesOutEndsTheWrite) {
  FakeSerialIo io;
  io.writes = {{-1, EAGAIN}};
  io.waits = {0};
  WriteOutcome out = write_all(io, kLine.data(), kLine.size(), 1000);
  EXPECT_EQ(out.error, ETIMEDOUT);
  EXPECT_EQ(out.written, 0u);
}

TEST(WriteAll, ADeviceErrorIsReported) {
  FakeSerialIo io;
  io.writes = {{4, 0}, {-1, EIO}};
  WriteOutcome out = write_all(io, kLine.data(), kLine.size(), 1000);
  EXPECT_EQ(out.error, EIO);
  EXPECT_EQ(out.written, 4u);
}

}  // namespace
}  // namespace klvc
