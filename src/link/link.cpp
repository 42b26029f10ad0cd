#include "link/link.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "link/answer_queue.h"
#include "link/line_assembler.h"
#include "link/link_log.h"
#include "link/messages.h"
#include "link/port_setup.h"
#include "link/protocol.h"
#include "link/serial_io.h"
#include "settings/store.h"

namespace klvc {

namespace {

constexpr std::size_t kReadChunk = 100;   // bytes taken from the driver per read
constexpr int kWriteTimeoutMs = 1000;     // a command line must go out within this

struct Link {
  // Guards the port and device state against the reader closing or reopening
  // the device while the user-interface thread writes a command.
  std::mutex port_mutex;
  OpenPort port;
  std::string device;    // what open_port chose (kept while waiting for it to return)
  std::string lost_why;  // why the device last went away
  std::atomic<int> state{static_cast<int>(LinkState::Closed)};

  int wake_fd = -1;      // eventfd: stop_link wakes the reader through it
  std::thread reader;

  std::mutex direct_mutex;
  std::function<void(const std::string&)> direct_writer;
  std::mutex feed_mutex;
  LineAssembler direct_lines;  // feed_received's line assembly

  std::array<std::string, kComPortCount> port_map;
  std::string simulated_device;
  std::atomic<int> reconnect_ms{1000};
};

Link& link() {
  static Link* l = [] {
    auto* created = new Link;  // lives until exit; the reader may still run at static destruction
    for (int i = 0; i < kComPortCount; ++i) created->port_map[i] = "/dev/ttyS" + std::to_string(i);
    return created;
  }();
  return *l;
}

void set_state(LinkState s) { link().state.store(static_cast<int>(s)); }

void close_port_locked(Link& l) { release_port(&l.port); }

SendOutcome g_last_send;  // user-interface thread

void deliver(LineAssembler& lines, const char* data, std::size_t size) {
  std::lock_guard<std::recursive_mutex> traffic(traffic_mutex());
  lines.feed(data, size, [](const LineAssembler::Line& line) {
    log_link(LogDirection::Received, line.bytes);
    store().line_length = 0;
    handle_answer_line(line);
  });
  store().line_length = static_cast<int>(lines.pending());
}

// "Miss! ..." box for one failed set-up step; the port is closed by then.
void report_setup_failure(const SetupFailure& f) {
  std::string text = std::string(setup_step_title(f.step)) + "\n" + f.detail;
  log_link(LogDirection::Event, text);
  show_error(text, f.follows ? BoxOrigin::PortSetupFollow : BoxOrigin::PortSetup);
}

void report_port_error(const std::string& text) {
  log_link(LogDirection::Event, text);
  show_error(text);
  Link& l = link();
  std::lock_guard<std::mutex> lock(l.port_mutex);
  close_port_locked(l);
  set_state(LinkState::Closed);
}

// Said once, in the log only: on a pseudo-terminal the line runs without
// the parity bit the switcher's line asks for, and that is fine there.
void note_pseudo_terminal(const OpenPort& port, const std::string& device) {
  static std::atomic<bool> said{false};
  if (!port.pseudo_terminal || said.exchange(true)) return;
  log_link(LogDirection::Event, device +
                                    " is a pseudo-terminal: the kernel keeps no parity bit there, so "
                                    "even parity is asked for and the line runs without it");
}

// Blocks until stop_link wakes the reader or `timeout_ms` passes (-1: no
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

void lose_device(Link& l, const std::string& why) {
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    close_port_locked(l);
  }
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    l.lost_why = l.device + " " + why;
  }
  set_state(LinkState::WaitingForDevice);
  std::string text = "The link to the switcher was lost: " + l.device + " (" + why +
                     ").\nWaiting for the device to come back; the link reconnects by itself.";
  log_link(LogDirection::Event, text);
  give_up_awaited_lines("the link was lost");
  show_error(text, BoxOrigin::LinkLost);
}

bool try_reconnect(Link& l) {
  OpenPort port = set_up_port(l.device, nullptr);
  if (port.fd < 0) return false;
  note_pseudo_terminal(port, l.device);
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    l.port = port;
  }
  set_state(LinkState::Open);
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

// The reader sleeps in poll(2) on the port and its wake-up descriptor; it
// never spins, not on a closed port and not after the device went away.
void reader_main() {
  Link& l = link();
  LineAssembler lines;
  char buf[kReadChunk];
  const int wake_fd = l.wake_fd;
  while (store().reader_running) {
    int fd;
    {
      std::lock_guard<std::mutex> lock(l.port_mutex);
      fd = l.port.fd;
    }
    if (fd < 0) {
      if (link_state() != LinkState::WaitingForDevice) {
        // Nothing to read until the link is restarted.
        if (wait_for_wake(wake_fd, -1)) drain_wake(wake_fd);
        continue;
      }
      if (wait_for_wake(wake_fd, l.reconnect_ms.load())) {
        drain_wake(wake_fd);
        continue;
      }
      if (store().reader_running && try_reconnect(l)) lines.clear();
      continue;
    }

    pollfd fds[2] = {{fd, POLLIN, 0}, {wake_fd, POLLIN, 0}};
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
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) {
        deliver(lines, buf, static_cast<std::size_t>(n));
      } else if (n == 0) {
        lines.clear();
        lose_device(l, "hung up");
      } else if (errno != EAGAIN && errno != EINTR) {
        lines.clear();
        lose_device(l, std::strerror(errno));
      }
    } else if (ev & (POLLHUP | POLLERR | POLLNVAL)) {
      lines.clear();
      lose_device(l, "hung up");
    }
  }
  store().line_length = 0;
}

}  // namespace

void set_port_device(int com_index, std::string path) {
  if (com_index < 0 || com_index >= kComPortCount) return;
  link().port_map[com_index] = std::move(path);
}

std::string port_device(int com_index) {
  if (com_index < 0 || com_index >= kComPortCount) return {};
  return link().port_map[com_index];
}

void set_simulated_device(std::string pty_path) { link().simulated_device = std::move(pty_path); }

void set_reconnect_interval_ms(int ms) { link().reconnect_ms.store(ms > 0 ? ms : 1); }

LinkState link_state() { return static_cast<LinkState>(link().state.load()); }

std::string link_device() {
  Link& l = link();
  std::lock_guard<std::mutex> lock(l.port_mutex);
  return link_state() == LinkState::Closed ? std::string() : l.device;
}

bool link_is_open() { return link_state() == LinkState::Open; }

std::string link_lost_reason() {
  Link& l = link();
  std::lock_guard<std::mutex> lock(l.port_mutex);
  return l.lost_why;
}

void open_port() {
  Link& l = link();
  if (l.reader.joinable()) stop_link();  // never two readers on one link
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    close_port_locked(l);
    int com = store().com_port_index;
    l.device = !l.simulated_device.empty() ? l.simulated_device : port_device(com);
  }
  set_state(LinkState::Closed);
  {
    std::lock_guard<std::recursive_mutex> traffic(traffic_mutex());
    awaited_answers().reset();
  }
  if (l.wake_fd < 0) l.wake_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

  std::vector<SetupFailure> failures;
  OpenPort port = set_up_port(l.device, &failures);
  if (port.fd >= 0 && l.wake_fd < 0) {
    release_port(&port);
    failures.push_back({SetupStep::WatchForReceivedCharacters,
                        "cannot create the reader's wake-up descriptor: " + std::string(std::strerror(errno)), false});
  }
  if (l.device.empty() && !failures.empty()) {
    int com = store().com_port_index;
    failures.front().detail =
        com >= 0 && com < kComPortCount
            ? "no device is assigned to COM" + std::to_string(com + 1)
            : "COM" + std::to_string(com + 1) + " is not a port this program knows (COM1 to COM6)";
  }
  for (const SetupFailure& f : failures) report_setup_failure(f);
  if (port.fd >= 0) {
    note_pseudo_terminal(port, l.device);
    std::lock_guard<std::mutex> lock(l.port_mutex);
    l.port = port;
    set_state(LinkState::Open);
    log_link(LogDirection::Event, "opened " + l.device);
  }
}

void start_reader() {
  Link& l = link();
  if (l.reader.joinable()) return;
  store().reader_running = 1;
  if (l.wake_fd < 0) return;  // open_port reported why; nothing could wake a reader
  try {
    l.reader = std::thread(reader_main);
  } catch (const std::system_error&) {
    store().reader_running = 0;
    report_port_error("error creating read thread");
  }
}

void stop_link() {
  Link& l = link();
  store().reader_running = 0;
  if (l.wake_fd >= 0) (void)::eventfd_write(l.wake_fd, 1);
  if (l.reader.joinable()) l.reader.join();
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    close_port_locked(l);
  }
  if (l.wake_fd >= 0) ::close(l.wake_fd);
  l.wake_fd = -1;
  set_state(LinkState::Closed);
  store().line_length = 0;
  // Nothing can answer through a stopped link.
  std::lock_guard<std::recursive_mutex> traffic(traffic_mutex());
  awaited_answers().reset();
}

void restart_link() {
  stop_link();
  open_port();
  start_reader();
}

void send_command(const char* text) {
  SettingsStore& s = store();
  const std::string line = frame_command(text, s.interface_mode, s.slave_number);
  const std::string shown = line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0
                                ? line.substr(0, line.size() - 2)
                                : line;
  // Pending before the write: an answer may arrive before write() returns.
  s.response_pending = 1;
  arm_unknown_answer_box();

  Link& l = link();
  std::function<void(const std::string&)> writer;
  {
    std::lock_guard<std::mutex> lock(l.direct_mutex);
    writer = l.direct_writer;
  }
  // The answer cannot be handled before the line is logged as sent.
  std::lock_guard<std::recursive_mutex> traffic(traffic_mutex());
  AnswerQueue& queue = awaited_answers();
  const long number = queue.push(shown);
  SendOutcome& out = g_last_send;
  out = SendOutcome{};
  if (writer) {
    log_link(LogDirection::Sent, line);
    out.written = true;
    out.line_number = number;
    writer(line);
    return;
  }
  std::lock_guard<std::mutex> lock(l.port_mutex);
  if (l.port.fd < 0) {
    // No link: the command ends in "No Connect".
    queue.withdraw(number);
    out.error = ENOTCONN;
    out.failure = l.device.empty() ? "the port is not open" : l.device + " is not open";
    log_link(LogDirection::Event, "not sent, " + out.failure + ": " + escape_bytes(shown));
    return;
  }
  FdSerialIo io(l.port.fd);
  WriteOutcome w = write_all(io, line.data(), line.size(), kWriteTimeoutMs);
  if (w.error == 0) {
    log_link(LogDirection::Sent, line);
    out.written = true;
    out.line_number = number;
    return;
  }
  queue.withdraw(number);
  out.error = w.error;
  // What went out of a line cut short would join the next one: discard it.
  if (w.written > 0) (void)::tcflush(l.port.fd, TCOFLUSH);
  if (w.error == ETIMEDOUT) {
    out.failure = "could not write to " + l.device + " within " + std::to_string(kWriteTimeoutMs / 1000) +
                  " s: " + output_held_by(l.port.fd);
  } else {
    out.failure = "could not write to " + l.device + ": " + std::strerror(w.error);
  }
  log_link(LogDirection::Event, "not sent (" + std::to_string(w.written) + " of " +
                                    std::to_string(line.size()) + " bytes taken), " + out.failure +
                                    ": " + escape_bytes(shown));
  // A batch must not go on writing into a line that does not move.
  s.error_seen = 1;
  if (w.error == ETIMEDOUT) show_error(out.failure, BoxOrigin::WriteFailed);
}

SendOutcome last_send_outcome() { return g_last_send; }

void set_direct_line(std::function<void(const std::string& bytes)> writer) {
  Link& l = link();
  {
    std::lock_guard<std::mutex> lock(l.direct_mutex);
    l.direct_writer = std::move(writer);
  }
  // Always the traffic lock before the feed lock, as send_command takes them.
  std::lock_guard<std::recursive_mutex> traffic(traffic_mutex());
  std::lock_guard<std::mutex> lock(l.feed_mutex);
  l.direct_lines.clear();
  awaited_answers().reset();
}

void feed_received(const char* data, std::size_t size) {
  Link& l = link();
  std::lock_guard<std::recursive_mutex> traffic(traffic_mutex());
  std::lock_guard<std::mutex> lock(l.feed_mutex);
  deliver(l.direct_lines, data, size);
}

}  // namespace klvc
