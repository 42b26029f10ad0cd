// The reader thread: it sleeps in poll(2) on the port and its wake-up
// descriptor, assembles answer lines, and when the device goes away says so
// once and reopens it about once a second. It never spins, not on a closed
// port and not after the device went away.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/answer_queue.h"
#include "link/link_internal.h"
#include "link/link_log.h"
#include "link/link_status.h"
#include "link/messages.h"
#include "link/net_port.h"
#include "link/protocol.h"

namespace klvc {

namespace {

constexpr std::size_t kReadChunk = 100;  // bytes taken from the driver per read
constexpr int kReplyTimeoutMs = 1000;    // a telnet answer must go out within this
constexpr char kXon = 0x11, kXoff = 0x13;

// Blocks until Link::stop wakes the reader or `timeout_ms` passes (-1: no
// limit). True when woken.
bool wait_for_wake(int wake_fd, int timeout_ms) {
  pollfd p{wake_fd, POLLIN, 0};
  int r = ::poll(&p, 1, timeout_ms);
  return r > 0;
}

void drain_wake(int wake_fd) {
  eventfd_t value;
  (void)::eventfd_read(wake_fd, &value);
}

void lose_device(LinkCore& l, const std::string& why) {
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    close_port_locked(l);
    l.lost_why = l.device + " " + why;
  }
  set_state(l, LinkState::WaitingForDevice);
  std::string text = "The link to the switcher was lost: " + l.device + " (" + why +
                     ").\nWaiting for the device to come back; the link reconnects by itself.";
  log_link(LogDirection::Event, text);
  give_up_awaited_lines(l, "the link was lost");
  show_error(text, BoxOrigin::LinkLost);
}

bool try_reconnect(LinkCore& l) {
  OpenedDevice opened = open_device(l, l.device, l.wake_fd, nullptr);
  if (opened.port.fd < 0) return false;
  note_pseudo_terminal(opened.port, l.device);
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    adopt_device(l, std::move(opened));
  }
  set_state(l, LinkState::Open);
  std::string text = "The link to the switcher is back: " + l.device;
  log_link(LogDirection::Event, text);
  BoxRequest r;
  r.text = text;
  r.caption = "KLVC";
  r.icon = BoxIcon::Information;
  r.beep = false;
  r.origin = BoxOrigin::LinkBack;
  message_sink().post_box(std::move(r));
  return true;
}

// The data among the bytes read; the telnet of an RFC 2217 port is answered
// and taken out.
std::string take_data(LinkCore& l, const char* data, std::size_t size) {
  std::string reply;
  std::string bytes;
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    if (!l.telnet) {
      bytes.assign(data, size);
    } else {
      bytes = l.telnet->receive(std::string_view(data, size), &reply);
    }
    if (!reply.empty() && l.port.fd >= 0) {
      SocketIo io(l.port.fd);
      (void)write_all(io, reply.data(), reply.size(), kReplyTimeoutMs);
    }
    if (!l.network) return bytes;
  }
  // Over the network the switcher's XON and XOFF arrive as data: they hold
  // and release our writes, as the kernel does for a local port.
  std::string kept;
  for (char c : bytes) {
    if (c == kXoff || c == kXon) {
      l.net_held = c == kXoff;
    } else {
      kept += c;
    }
  }
  return kept;
}

// One read of what the port holds, handled; the caller holds traffic_mutex.
// The bytes read, 0 at a hang-up, -1 with errno (EAGAIN: nothing there).
ssize_t read_and_deliver(LinkCore& l, int fd) {
  char buf[kReadChunk];
  const long written_before = l.last_written.load();
  const ssize_t n = ::read(fd, buf, sizeof buf);
  if (n > 0) {
    const std::string data = take_data(l, buf, static_cast<std::size_t>(n));
    if (!data.empty()) deliver(l, l.port_lines, data.data(), data.size(), written_before);
  }
  return n;
}

}  // namespace

void read_port_now(LinkCore& l) {
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  // A few reads at most: a port that never stops talking must not hold us.
  for (int i = 0; i < 8; ++i) {
    std::unique_lock<std::mutex> lock(l.port_mutex);
    const int fd = l.port.fd;
    if (fd < 0) return;
    char buf[kReadChunk];
    const long written_before = l.last_written.load();
    const ssize_t n = ::read(fd, buf, sizeof buf);
    lock.unlock();
    // Nothing there, or a hang-up: the reader sees the same and says so.
    if (n <= 0) return;
    const std::string data = take_data(l, buf, static_cast<std::size_t>(n));
    if (!data.empty()) deliver(l, l.port_lines, data.data(), data.size(), written_before);
  }
}

void reader_main(LinkCore& l) {
  auto clear_lines = [&l] {
    std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
    l.port_lines.clear();
  };
  const int wake_fd = l.wake_fd;
  const char* hung_up = "hung up";
  while (l.status.reader_running) {
    int fd;
    {
      std::lock_guard<std::mutex> lock(l.port_mutex);
      fd = l.port.fd;
      hung_up = l.network ? "closed the connection" : "hung up";
    }
    if (fd < 0) {
      if (state_of(l) != LinkState::WaitingForDevice) {
        // Nothing to read until the link is restarted.
        if (wait_for_wake(wake_fd, -1)) drain_wake(wake_fd);
        continue;
      }
      if (wait_for_wake(wake_fd, l.reconnect_ms.load())) {
        drain_wake(wake_fd);
        continue;
      }
      if (l.status.reader_running && try_reconnect(l)) clear_lines();
      continue;
    }

    // While a run reads the answers itself, the reader only waits to be woken.
    pollfd fds[2] = {{l.caller_reads ? -1 : fd, POLLIN, 0}, {wake_fd, POLLIN, 0}};
    int r = ::poll(fds, 2, -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      lose_device(l, std::strerror(errno));
      continue;
    }
    if (fds[1].revents) {
      drain_wake(wake_fd);
      continue;
    }
    short ev = fds[0].revents;
    if (ev & POLLIN) {
      ssize_t n;
      int error;
      {
        // The no-answer check and send_command may read the port too; the
        // lock keeps the bytes in order.
        std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
        // They may have taken the bytes meanwhile, and on a raw terminal a
        // read of nothing returns 0, which must not pass for a hang-up.
        pollfd again{fd, POLLIN, 0};
        if (::poll(&again, 1, 0) <= 0) continue;
        n = read_and_deliver(l, fd);
        error = errno;
      }
      if (n == 0) {
        clear_lines();
        lose_device(l, hung_up);
      } else if (n < 0 && error != EAGAIN && error != EINTR) {
        clear_lines();
        lose_device(l, std::strerror(error));
      }
    } else if (ev & (POLLHUP | POLLERR | POLLNVAL)) {
      clear_lines();
      lose_device(l, hung_up);
    }
  }
}

}  // namespace klvc
