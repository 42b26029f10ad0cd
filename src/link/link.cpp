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
#include "common/port_map.h"
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

void report_port_error(LinkCore& l, const std::string& text, BoxOrigin origin = BoxOrigin::Other) {
  log_link(LogDirection::Event, text);
  show_error(text, origin);
  std::lock_guard<std::mutex> lock(l.port_mutex);
  close_port_locked(l);
  set_state(l, LinkState::Closed);
}

// Said once per process, whichever link meets them first.
std::atomic<bool> pseudo_terminal_noted{false};
std::atomic<bool> console_warned{false};

}  // namespace

void set_state(LinkCore& l, LinkState s) { l.state.store(static_cast<int>(s)); }

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

OpenedDevice open_device(LinkCore& l, const std::string& device, int cancel_fd,
                         std::vector<SetupFailure>* failures) {
  OpenedDevice opened;
  if (!is_network_port(device) && is_kernel_console(device)) {
    // The console carries the kernel's messages (and maybe a login): a
    // default must never write a switcher's command into it.
    if (!l.named_by_operator) {
      if (failures) {
        failures->push_back({SetupStep::OpenForExclusiveUse,
                             device + " is the kernel console; klvc writes to it only when it is named with "
                                      "--port; map the COM port to the switcher's device (klvc ports lists them)"});
      }
      return opened;
    }
    if (!console_warned.exchange(true)) {
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
  if (!port.pseudo_terminal || pseudo_terminal_noted.exchange(true)) return;
  log_link(LogDirection::Event, device +
                                    " is a pseudo-terminal: the kernel keeps no parity bit there, so "
                                    "even parity is asked for and the line runs without it");
}

void deliver(LinkCore& l, LineAssembler& lines, const char* data, std::size_t size, long written_before) {
  lines.feed(data, size, [&l, written_before](const LineAssembler::Line& line) {
    log_link(LogDirection::Received, line.bytes);
    LineAssembler::Line stamped = line;
    stamped.written_before = written_before;
    handle_answer_line(l, stamped);
  });
}


Link::Link() : core_(std::make_unique<LinkCore>()) {}

Link::~Link() { stop(); }

void Link::open(const LinkSetup& setup) {
  LinkCore& l = *core_;
  if (l.reader.joinable()) stop();  // never two readers on one link
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    close_port_locked(l);
    l.device = setup.device;
    l.com_index = setup.com_index;
    l.named_by_operator = setup.named_by_operator;
  }
  set_address(setup.interface_mode, setup.slave_number);
  set_state(l, LinkState::Closed);
  restart_line_numbers();
  if (l.wake_fd < 0) l.wake_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

  std::vector<SetupFailure> failures;
  OpenedDevice opened = open_device(l, l.device, -1, &failures);
  if (opened.port.fd >= 0 && l.wake_fd < 0) {
    release_port(&opened.port);
    failures.push_back({SetupStep::WatchForReceivedCharacters, "cannot create the reader's wake-up descriptor: " +
                                                std::string(std::strerror(errno)), false});
  }
  if (l.device.empty() && !failures.empty()) {
    const int com = l.com_index;
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
    set_state(l, LinkState::Open);
    log_link(LogDirection::Event, "opened " + l.device);
  }
}

void Link::start_reader() {
  LinkCore& l = *core_;
  if (l.reader.joinable()) return;
  l.status.reader_running = 1;
  if (l.wake_fd < 0) return;  // open reported why; nothing could wake a reader
  try {
    l.reader = std::thread(reader_main, std::ref(l));
  } catch (const std::system_error& e) {
    // Without a reader no answer is ever heard: say why, and close the link rather than run on deaf.
    l.status.reader_running = 0;
    report_port_error(l, "cannot start the thread that reads " + l.device + ": " + e.code().message() +
                             "; the port is closed",
                      BoxOrigin::PortSetup);
  }
}

void Link::stop() {
  LinkCore& l = *core_;
  l.status.reader_running = 0;
  if (l.wake_fd >= 0) (void)::eventfd_write(l.wake_fd, 1);
  if (l.reader.joinable()) l.reader.join();
  {
    std::lock_guard<std::mutex> lock(l.port_mutex);
    close_port_locked(l);
  }
  if (l.wake_fd >= 0) ::close(l.wake_fd);
  l.wake_fd = -1;
  set_state(l, LinkState::Closed);
  // Nothing can answer through a stopped link.
  restart_line_numbers();
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  l.port_lines.clear();
}

void Link::set_address(int interface_mode, int slave_number) {
  core_->interface_mode = interface_mode;
  core_->slave_number = slave_number;
}

int Link::interface_mode() const { return core_->interface_mode.load(); }

LinkState Link::state() const { return state_of(*core_); }

std::string Link::device() const {
  LinkCore& l = *core_;
  std::lock_guard<std::mutex> lock(l.port_mutex);
  return state_of(l) == LinkState::Closed ? std::string() : l.device;
}

std::string Link::lost_reason() const {
  LinkCore& l = *core_;
  std::lock_guard<std::mutex> lock(l.port_mutex);
  return l.lost_why;
}

void Link::set_reconnect_interval_ms(int ms) { core_->reconnect_ms.store(ms > 0 ? ms : 1); }

LinkStatus& Link::status() { return core_->status; }

}  // namespace klvc
