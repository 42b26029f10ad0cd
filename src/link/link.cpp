#include "link/link.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <limits.h>
#include <stdlib.h>

#include <cerrno>
#include <fstream>
#include <cstring>
#include <system_error>

#include "common/base_name.h"
#include "link/link_internal.h"
#include "link/link_log.h"
#include "link/messages.h"
#include "link/net_port.h"
#include "link/protocol.h"
#include "link/serial_io.h"

namespace klvc {

namespace {

constexpr int kWriteTimeoutMs = 1000;  // a command line must go out within this

// "Miss! ..." box for one failed set-up step; the port is closed by then.
void report_setup_failure(const SetupFailure& f) {
  std::string text = std::string(setup_step_title(f.step)) + "\n" + f.detail;
  log_link(LogDirection::Event, text);
  show_error(text, f.follows ? BoxOrigin::PortSetupFollow : BoxOrigin::PortSetup);
}

void report_port_error(const std::string& text, BoxOrigin origin = BoxOrigin::Other) {
  log_link(LogDirection::Event, text);
  show_error(text, origin);
  LinkCore& l = link();
  std::lock_guard<std::mutex> lock(l.port_mutex);
  close_port_locked(l);
  set_state(LinkState::Closed);
}

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

LinkCore& link() {
  static LinkCore* l = [] {
    auto* created = new LinkCore;  // lives until exit; the reader may still run at static destruction
    for (int i = 0; i < kComPortCount; ++i) created->port_map[i] = "/dev/ttyS" + std::to_string(i);
    return created;
  }();
  return *l;
}

LinkStatus& link_status() { return link().status; }

void set_state(LinkState s) { link().state.store(static_cast<int>(s)); }

void close_port_locked(LinkCore& l) {
  release_port(&l.port);
  l.network = false;
  l.net_held = false;
  l.telnet.reset();
}

bool is_kernel_console(const std::string& path) {
  char resolved[PATH_MAX];
  if (!::realpath(path.c_str(), resolved)) return false;
  const std::string name = base_name(resolved);
  std::ifstream in("/sys/class/tty/console/active");
  for (std::string active; in >> active;) {
    if (active == name) return true;
  }
  return false;
}

void allow_console_device(std::string path) { link().console_allowed = std::move(path); }

OpenedDevice open_device(const std::string& device, int cancel_fd, std::vector<SetupFailure>* failures) {
  OpenedDevice opened;
  if (!is_network_port(device) && is_kernel_console(device)) {
    // The console carries the kernel's messages (and maybe a login): a
    // default must never write a switcher's command into it.
    LinkCore& l = link();
    if (l.console_allowed != device) {
      if (failures) {
        failures->push_back({SetupStep::OpenForExclusiveUse,
                             device + " is the kernel console; klvc writes to it only when it is named with "
                                      "--port; map the COM port to the switcher's device (klvc ports lists them)"});
      }
      return opened;
    }
    if (!l.console_warned.exchange(true)) {
      BoxRequest r;
      r.text = "warning: " + device + " is the kernel console; writing to it as --port asked";
      r.caption = "KLVC";
      r.icon = BoxIcon::Warning;
      log_link(LogDirection::Event, r.text);
      message_sink().post_box(std::move(r));
    }
  }
  if (!is_network_port(device)) {
    opened.port = set_up_port(device, failures);
    return opened;
  }
  NetPort net = open_network_port(device, cancel_fd, failures);
  opened.port.fd = net.fd;
  opened.network = true;
  opened.telnet = std::move(net.telnet);
  return opened;
}

void adopt_device(LinkCore& l, OpenedDevice opened) {
  l.port = opened.port;
  l.network = opened.network;
  l.telnet = std::move(opened.telnet);
}

void note_pseudo_terminal(const OpenPort& port, const std::string& device) {
  if (!port.pseudo_terminal || link().pseudo_terminal_noted.exchange(true)) return;
  log_link(LogDirection::Event, device +
                                    " is a pseudo-terminal: the kernel keeps no parity bit there, so "
                                    "even parity is asked for and the line runs without it");
}

void deliver(LineAssembler& lines, const char* data, std::size_t size, long written_before) {
  lines.feed(data, size, [written_before](const LineAssembler::Line& line) {
    log_link(LogDirection::Received, line.bytes);
    LineAssembler::Line stamped = line;
    stamped.written_before = written_before;
    handle_answer_line(stamped);
  });
}

std::int64_t link_now_ms(const LinkCore& l) { return l.clock ? l.clock() : steady_now_ms(); }

void set_link_clock(std::function<std::int64_t()> now_ms) {
  std::lock_guard<std::recursive_mutex> traffic(link().traffic_mutex);
  link().clock = std::move(now_ms);
}

void restart_line_numbers() {
  LinkCore& l = link();
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  l.awaited.reset();
  l.last_written = 0;
  l.lag = AnswerLag{};
}

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
  LinkCore& l = link();
  std::lock_guard<std::mutex> lock(l.port_mutex);
  return link_state() == LinkState::Closed ? std::string() : l.device;
}

bool link_is_open() { return link_state() == LinkState::Open; }

int read_answers_yourself(bool on) {
  LinkCore& l = link();
  int fd;
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    fd = l.port.fd;
  }
  l.caller_reads = on && fd >= 0;
  if (l.wake_fd >= 0) (void)::eventfd_write(l.wake_fd, 1);  // the reader's poll changes
  return l.caller_reads ? fd : -1;
}

void read_answers_now() { read_port_now(link()); }

std::string link_lost_reason() {
  LinkCore& l = link();
  std::lock_guard<std::mutex> lock(l.port_mutex);
  return l.lost_why;
}

void open_port() {
  LinkCore& l = link();
  if (l.reader.joinable()) stop_link();  // never two readers on one link
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    close_port_locked(l);
    int com = store().com_port_index;
    l.device = !l.simulated_device.empty() ? l.simulated_device : port_device(com);
  }
  set_state(LinkState::Closed);
  restart_line_numbers();
  if (l.wake_fd < 0) l.wake_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

  std::vector<SetupFailure> failures;
  OpenedDevice opened = open_device(l.device, -1, &failures);
  if (opened.port.fd >= 0 && l.wake_fd < 0) {
    release_port(&opened.port);
    failures.push_back({SetupStep::WatchForReceivedCharacters, "cannot create the reader's wake-up descriptor: " +
                                                std::string(std::strerror(errno)), false});
  }
  if (l.device.empty() && !failures.empty()) {
    int com = store().com_port_index;
    failures.front().detail =
        com >= 0 && com < kComPortCount
            ? "no device is assigned to COM" + std::to_string(com + 1)
            : "COM" + std::to_string(com + 1) + " is not a port this program knows (COM1 to COM6)";
  }
  for (const SetupFailure& f : failures) report_setup_failure(f);
  if (opened.port.fd >= 0) {
    note_pseudo_terminal(opened.port, l.device);
    std::lock_guard<std::mutex> lock(l.port_mutex);
    adopt_device(l, std::move(opened));
    set_state(LinkState::Open);
    log_link(LogDirection::Event, "opened " + l.device);
  }
}

void start_reader() {
  LinkCore& l = link();
  if (l.reader.joinable()) return;
  link_status().reader_running = 1;
  if (l.wake_fd < 0) return;  // open_port reported why; nothing could wake a reader
  try {
    l.reader = std::thread(reader_main);
  } catch (const std::system_error& e) {
    // Without a reader no answer is ever heard: say why, and close the link rather than run on deaf.
    link_status().reader_running = 0;
    report_port_error("cannot start the thread that reads " + l.device + ": " + e.code().message() +
                          "; the port is closed",
                      BoxOrigin::PortSetup);
  }
}

void stop_link() {
  LinkCore& l = link();
  link_status().reader_running = 0;
  if (l.wake_fd >= 0) (void)::eventfd_write(l.wake_fd, 1);
  if (l.reader.joinable()) l.reader.join();
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    close_port_locked(l);
  }
  if (l.wake_fd >= 0) ::close(l.wake_fd);
  l.wake_fd = -1;
  set_state(LinkState::Closed);
  // Nothing can answer through a stopped link.
  restart_line_numbers();
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  l.port_lines.clear();
}

void restart_link() {
  stop_link();
  open_port();
  start_reader();
}

void send_command(const char* text) { send_command(std::string(text ? text : ""), LineOwner{}); }

void send_command(const std::string& text, LineOwner owner) {
  const Selections& s = store();
  const std::string line = frame_command(text.c_str(), s.interface_mode, s.slave_number);
  const std::string shown = line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0
                                ? line.substr(0, line.size() - 2)
                                : line;
  // Pending before the write: an answer may arrive before write() returns.
  link_status().response_pending = 1;
  arm_unknown_answer_box();

  LinkCore& l = link();
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
  link_status().error_seen = 1;
  if (w.error == ETIMEDOUT) show_error(out.failure, BoxOrigin::WriteFailed);
}

SendOutcome last_send_outcome() { return link().last_send; }

void set_direct_line(std::function<void(const std::string& bytes)> writer) {
  LinkCore& l = link();
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

void feed_received(const char* data, std::size_t size) {
  LinkCore& l = link();
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  std::lock_guard<std::mutex> lock(l.feed_mutex);
  deliver(l.direct_lines, data, size, l.last_written.load());
}

}  // namespace klvc
