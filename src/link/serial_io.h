// Writing a whole command line to a device that may take it in pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace klvc {

// The writing side of a serial device, behind an interface so tests can
// script partial writes, interruptions and a full output queue.
class SerialIo {
 public:
  virtual ~SerialIo() = default;
  // As write(2): bytes taken, or -1 with errno set.
  virtual long write_some(const char* data, std::size_t size) = 0;
  // As poll(2) for POLLOUT: >0 writable, 0 timed out, -1 with errno set.
  virtual int wait_writable(int timeout_ms) = 0;
};

struct WriteOutcome {
  std::size_t written = 0;
  int error = 0;  // 0 when every byte went out; an errno value (ETIMEDOUT) otherwise
};

std::int64_t steady_now_ms();

// Writes all `size` bytes, continuing after partial and interrupted writes
// and waiting while the output queue is full, for at most `timeout_ms` in
// total (the switcher's flow control may hold the line).
WriteOutcome write_all(SerialIo& io, const char* data, std::size_t size, int timeout_ms,
                       const std::function<std::int64_t()>& now_ms = steady_now_ms);

// A SerialIo on an open file descriptor.
class FdSerialIo : public SerialIo {
 public:
  explicit FdSerialIo(int fd) : fd_(fd) {}
  long write_some(const char* data, std::size_t size) override;
  int wait_writable(int timeout_ms) override;

 protected:
  int fd_;
};

}  // namespace klvc
