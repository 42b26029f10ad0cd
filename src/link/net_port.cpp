#include "link/net_port.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/text.h"
#include "link/serial_io.h"

namespace klvc {

namespace {

constexpr const char* kTcpPrefix = "tcp:";
constexpr const char* kRfc2217Prefix = "rfc2217:";

bool starts_with(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Waits for `events` on fd within the deadline. 1 ready, 0 timed out,
// -1 cancelled (errno ECANCELED) or failed.
int wait_for(int fd, short events, int cancel_fd, std::int64_t deadline) {
  for (;;) {
    const std::int64_t left = deadline - steady_now_ms();
    if (left <= 0) return 0;
    pollfd p[2] = {{fd, events, 0}, {cancel_fd, POLLIN, 0}};
    const int r = ::poll(p, cancel_fd >= 0 ? 2 : 1, static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (cancel_fd >= 0 && p[1].revents) {
      errno = ECANCELED;
      return -1;
    }
    if (r > 0) return 1;
  }
}

bool send_whole(int fd, const std::string& bytes, int cancel_fd, std::int64_t deadline) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const long n = send_to_socket(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (wait_for(fd, POLLOUT, cancel_fd, deadline) <= 0) return false;
    } else {
      return false;
    }
  }
  return true;
}

// A connected socket, or -1 with *why.
int connect_to(const NetAddress& a, int cancel_fd, std::int64_t deadline, std::string* why) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (const int r = ::getaddrinfo(a.host.c_str(), a.port.c_str(), &hints, &found); r != 0) {
    *why = "cannot find " + a.host + " port " + a.port + ": " + ::gai_strerror(r);
    return -1;
  }
  int fd = -1;
  *why = "no address to try";
  for (addrinfo* ai = found; ai && fd < 0; ai = ai->ai_next) {
    fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0) {
      *why = std::strerror(errno);
      continue;
    }
    int error = 0;
    if (::connect(fd, ai->ai_addr, ai->ai_addrlen) != 0) {
      error = errno;
      if (error == EINPROGRESS) {
        const int r = wait_for(fd, POLLOUT, cancel_fd, deadline);
        socklen_t len = sizeof error;
        if (r == 1) {
          ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
        } else {
          error = r == 0 ? ETIMEDOUT : errno;
        }
      }
    }
    if (error != 0) {
      *why = error == ETIMEDOUT ? "no answer within " + std::to_string(kNetTimeoutMs / 1000) + " s"
                                : std::string(std::strerror(error));
      ::close(fd);
      fd = -1;
      if (error == ECANCELED) break;
    }
  }
  ::freeaddrinfo(found);
  return fd;
}

// Telnet and the line settings; empty when the server took them.
std::string set_line(int fd, TelnetSession& telnet, int cancel_fd, std::int64_t deadline) {
  if (!send_whole(fd, telnet.opening(), cancel_fd, deadline)) return std::string("cannot send: ") + std::strerror(errno);
  char buf[512];
  while (!telnet.settled()) {
    const int r = wait_for(fd, POLLIN, cancel_fd, deadline);
    if (r == 0) break;
    if (r < 0) return std::strerror(errno);
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n == 0 || (n < 0 && errno == ECONNRESET)) {
      return "the server closed the connection while the line was being set (is another client using its "
             "serial port?)";
    }
    if (n < 0) return std::strerror(errno);
    // Data before the line is set is stale: dropped, as a local port's queues are flushed.
    std::string reply;
    (void)telnet.receive(std::string_view(buf, static_cast<std::size_t>(n)), &reply);
    if (!reply.empty() && !send_whole(fd, reply, cancel_fd, deadline)) {
      return std::string("cannot send: ") + std::strerror(errno);
    }
  }
  return telnet.refusal();
}

}  // namespace

bool is_network_port(const std::string& name) {
  return starts_with(name, kTcpPrefix) || starts_with(name, kRfc2217Prefix);
}

bool parse_network_port(const std::string& name, NetAddress* out, std::string* error) {
  NetAddress a;
  a.rfc2217 = starts_with(name, kRfc2217Prefix);
  std::string rest = name.substr(std::strlen(a.rfc2217 ? kRfc2217Prefix : kTcpPrefix));
  std::size_t colon;
  if (!rest.empty() && rest[0] == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
      *error = name + ": an IPv6 address is written [ADDRESS]:PORT";
      return false;
    }
    a.host = rest.substr(1, close - 1);
    colon = close + 1;
  } else {
    colon = rest.rfind(':');
    if (colon != std::string::npos) a.host = rest.substr(0, colon);
  }
  if (colon != std::string::npos) a.port = rest.substr(colon + 1);
  int port = 0;
  const bool digits = a.port.size() <= 5 && parse_digits(a.port, &port);
  if (a.host.empty() || !digits || port < 1 || port > 65535) {
    *error = name + ": write it as " + (a.rfc2217 ? "rfc2217" : "tcp") + ":HOST:PORT, with PORT 1 to 65535";
    return false;
  }
  *out = a;
  return true;
}

long send_to_socket(int fd, const char* data, std::size_t size) {
  return static_cast<long>(::send(fd, data, size, MSG_NOSIGNAL));
}

NetPort open_network_port(const std::string& name, int cancel_fd, std::vector<SetupFailure>* failures,
                          int timeout_ms) {
  NetPort port;
  auto fail = [&](SetupStep step, const std::string& detail) {
    if (!failures) return;
    failures->push_back({step, detail, false});
    for (int s = static_cast<int>(step) + 1; s <= static_cast<int>(SetupStep::ApplyLineSettings); ++s) {
      failures->push_back({static_cast<SetupStep>(s), name + ": the port is not open", true});
    }
  };
  NetAddress a;
  std::string why;
  if (!parse_network_port(name, &a, &why)) {
    fail(SetupStep::OpenForExclusiveUse, why);
    return port;
  }
  const std::int64_t deadline = steady_now_ms() + timeout_ms;
  const int fd = connect_to(a, cancel_fd, deadline, &why);
  if (fd < 0) {
    fail(SetupStep::OpenForExclusiveUse, "cannot connect to " + name + ": " + why +
                                  " — check that the serial device server is on and reachable, and the host "
                                  "and port");
    return port;
  }
  // Each command line goes out as soon as it is written.
  const int on = 1;
  (void)::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  if (a.rfc2217) {
    auto telnet = std::make_shared<TelnetSession>();
    why = set_line(fd, *telnet, cancel_fd, deadline);
    if (!why.empty()) {
      ::close(fd);
      fail(SetupStep::ApplyLineSettings, name + ": " + why);
      return port;
    }
    port.telnet = std::move(telnet);
  }
  port.fd = fd;
  return port;
}

}  // namespace klvc
