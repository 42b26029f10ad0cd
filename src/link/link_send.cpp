// Writing lines through a Link: framing with its address, the queue of lines
// awaiting answers, the write (or the direct line), and reading the port on
// the caller's own thread.
#include "link/link.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>

#include <cerrno>
#include <cstring>

#include "link/link_internal.h"
#include "link/link_log.h"
#include "link/messages.h"
#include "link/net_port.h"
#include "link/protocol.h"
#include "link/serial_io.h"

namespace klvc {

namespace {

constexpr int kWriteTimeoutMs = 1000;  // a command line must go out within this

// Why a line could not be written, for the operator.
std::string write_failure(const LinkCore& l, const WriteOutcome& w) {
  if (w.error != ETIMEDOUT) return "could not write to " + l.device + ": " + std::strerror(w.error);
  const std::string within = "could not write to " + l.device + " within " + std::to_string(kWriteTimeoutMs / 1000) + " s: ";
  if (l.network && l.net_held) return within + "the switcher sent XOFF";
  return within + (l.network ? "the server takes nothing more (the switcher's flow control may hold its line)"
                             : output_held_by(l.port.fd));
}

// A network port held by the switcher's XOFF: its answers are read (XON
// among them) for up to the write time-out. False while still held.
bool released_in_time(LinkCore& l) {
  const std::int64_t deadline = steady_now_ms() + kWriteTimeoutMs;
  while (l.net_held) {
    int fd;
    {
      std::lock_guard<std::mutex> lock(l.port_mutex);
      fd = l.port.fd;
    }
    const std::int64_t left = deadline - steady_now_ms();
    if (fd < 0 || left <= 0) return !l.net_held;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) > 0) {
      if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return false;  // the reader says it went
      read_port_now(l);
    }
  }
  return true;
}

}  // namespace

std::int64_t link_now_ms(const LinkCore& l) { return l.clock ? l.clock() : steady_now_ms(); }

void Link::set_clock(std::function<std::int64_t()> now_ms) {
  std::lock_guard<std::recursive_mutex> traffic(core_->traffic_mutex);
  core_->clock = std::move(now_ms);
}

void Link::restart_line_numbers() {
  LinkCore& l = *core_;
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  l.awaited.reset();
  l.last_written = 0;
  l.lag = AnswerLag{};
}

int Link::read_answers_yourself(bool on) {
  LinkCore& l = *core_;
  int fd;
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    fd = l.port.fd;
  }
  l.caller_reads = on && fd >= 0;
  if (l.wake_fd >= 0) (void)::eventfd_write(l.wake_fd, 1);  // the reader's poll changes
  return l.caller_reads ? fd : -1;
}

void Link::read_answers_now() { read_port_now(*core_); }

void Link::send_command(const std::string& text, LineOwner owner) {
  LinkCore& l = *core_;
  const std::string line = frame_command(text.c_str(), l.interface_mode, l.slave_number);
  const std::string shown = line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0
                                ? line.substr(0, line.size() - 2)
                                : line;
  // Pending before the write: an answer may arrive before write() returns.
  l.status.response_pending = 1;
  arm_unknown_answer_box(l);

  std::function<void(const std::string&)> writer;
  {
    std::lock_guard<std::mutex> lock(l.direct_mutex);
    writer = l.direct_writer;
  }
  // The answer cannot be handled before the line is logged as sent.
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  // Answers already in the port belong to the lines before this one.
  if (!writer && !l.awaited.empty()) read_port_now(l);
  AnswerQueue& queue = l.awaited;
  const std::string label = owner.label;
  const bool held = !writer && !released_in_time(l);
  const long number = queue.push(shown, std::move(owner));
  l.pending_since_ms = link_now_ms(l);
  auto note_unsent = [&l, &label] {
    if (!label.empty()) l.unsent_labels.push_back(label);
  };
  SendOutcome& out = l.last_send;
  out = SendOutcome{};
  auto written = [&] {
    queue.mark_written(number, link_now_ms(l));
    l.last_written = number;
    out.written = true;
    out.line_number = number;
  };
  if (writer) {
    log_link(LogDirection::Sent, line);
    written();
    writer(line);
    return;
  }
  std::lock_guard<std::mutex> lock(l.port_mutex);
  if (l.port.fd < 0) {
    // No link: the command ends in "No Connect".
    queue.withdraw(number);
    note_unsent();
    out.error = ENOTCONN;
    out.failure = l.device.empty() ? "the port is not open" : l.device + " is not open";
    log_link(LogDirection::Event, "not sent, " + out.failure + ": " + escape_bytes(shown));
    return;
  }
  const std::string bytes = l.telnet ? TelnetSession::escape(line) : line;
  FdSerialIo serial(l.port.fd);
  SocketIo socket(l.port.fd);
  WriteOutcome w;
  w.error = ETIMEDOUT;
  if (!held) {
    w = write_all(l.network ? static_cast<SerialIo&>(socket) : serial, bytes.data(), bytes.size(), kWriteTimeoutMs);
  }
  if (w.error == 0) {
    log_link(LogDirection::Sent, line);
    written();
    return;
  }
  queue.withdraw(number);
  note_unsent();
  out.error = w.error;
  // What went out of a line cut short would join the next one: discard it.
  if (w.written > 0 && !l.network) (void)::tcflush(l.port.fd, TCOFLUSH);
  out.failure = write_failure(l, w);
  log_link(LogDirection::Event, "not sent (" + std::to_string(w.written) + " of " +
                                    std::to_string(bytes.size()) + " bytes taken), " + out.failure +
                                    ": " + escape_bytes(shown));
  // A batch must not go on writing into a line that does not move.
  l.status.error_seen = 1;
  if (w.error == ETIMEDOUT) show_error(out.failure, BoxOrigin::WriteFailed);
}

SendOutcome Link::last_send_outcome() const { return core_->last_send; }

void Link::set_direct_line(std::function<void(const std::string& bytes)> writer) {
  LinkCore& l = *core_;
  {
    std::lock_guard<std::mutex> lock(l.direct_mutex);
    l.direct_writer = std::move(writer);
  }
  // Always the traffic lock before the feed lock, as send_command takes them.
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  std::lock_guard<std::mutex> lock(l.feed_mutex);
  l.direct_lines.clear();
  l.awaited.reset();
}

void Link::feed_received(const char* data, std::size_t size) {
  LinkCore& l = *core_;
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  std::lock_guard<std::mutex> lock(l.feed_mutex);
  deliver(l, l.direct_lines, data, size, l.last_written.load());
}

}  // namespace klvc
