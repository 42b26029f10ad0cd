#include "link/serial_io.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace klvc {

std::int64_t steady_now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

WriteOutcome write_all(SerialIo& io, const char* data, std::size_t size, int timeout_ms,
                       const std::function<std::int64_t()>& now_ms) {
  WriteOutcome out;
  const std::int64_t deadline = now_ms() + timeout_ms;
  while (out.written < size) {
    long n = io.write_some(data + out.written, size - out.written);
    if (n > 0) {
      out.written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      out.error = errno;
      return out;
    }
    // Queue full (or a write that took nothing): wait for room, within the
    // time left.
    std::int64_t left = deadline - now_ms();
    if (left <= 0) {
      out.error = ETIMEDOUT;
      return out;
    }
    int r = io.wait_writable(static_cast<int>(left));
    if (r < 0 && errno != EINTR) {
      out.error = errno;
      return out;
    }
    if (r == 0) {
      out.error = ETIMEDOUT;
      return out;
    }
  }
  return out;
}

long FdSerialIo::write_some(const char* data, std::size_t size) {
  return static_cast<long>(::write(fd_, data, size));
}

int FdSerialIo::wait_writable(int timeout_ms) {
  pollfd p{fd_, POLLOUT, 0};
  int r = ::poll(&p, 1, timeout_ms);
  if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT)) {
    errno = (p.revents & POLLNVAL) ? EBADF : EIO;
    return -1;
  }
  return r;
}

}  // namespace klvc
