#include "link/port_setup.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "link/termios_settings.h"

namespace klvc {

namespace {

std::string reason(int error) { return std::strerror(error); }

// Unix98 pseudo-terminal slaves live on these character device majors.
constexpr unsigned kPtySlaveMajorFirst = 136;
constexpr unsigned kPtySlaveMajorLast = 143;

std::string not_open(const std::string& path) {
  return path.empty() ? "the port is not open" : path + ": the port is not open";
}

bool in_group(gid_t gid) {
  if (::getegid() == gid) return true;
  gid_t groups[256];
  int n = ::getgroups(256, groups);
  for (int i = 0; i < n; ++i) {
    if (groups[i] == gid) return true;
  }
  return false;
}

// Listed as a member in the group database, though this session lacks it
// (added to the group and not logged in again since).
bool listed_in_group(const group& g) {
  const passwd* pw = ::getpwuid(::geteuid());
  if (!pw || !g.gr_mem) return false;
  for (char** m = g.gr_mem; *m; ++m) {
    if (std::strcmp(*m, pw->pw_name) == 0) return true;
  }
  return false;
}

// Who may open the device: the group hint only where joining the group helps.
std::string permission_hint(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return {};
  const group* g = ::getgrgid(st.st_gid);
  const std::string group_name = g ? g->gr_name : std::to_string(st.st_gid);
  if (st.st_gid != 0 && !in_group(st.st_gid) && (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
    if (g && listed_in_group(*g)) {
      return " — you were added to the group " + group_name +
             ", but this session started before that; log out and in again";
    }
    return " — add yourself to the group that owns the device (" + group_name +
           ") and log in again";
  }
  const passwd* owner = ::getpwuid(st.st_uid);
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
  return " — it belongs to user " + (owner ? std::string(owner->pw_name) : std::to_string(st.st_uid)) +
         ", group " + group_name + ", mode " + mode +
         "; ask whoever looks after this machine to give you access";
}

void restore(OpenPort* port) {
  if (port->fd < 0) return;
  // Exclusive mode outlives the descriptor: clear it, or every later open
  // by anyone but root fails with "Device or resource busy".
  if (port->exclusive) (void)::ioctl(port->fd, TIOCNXCL);
  if (port->have_found) (void)::tcsetattr(port->fd, TCSANOW, &port->found);
}

}  // namespace

const char* setup_step_title(SetupStep step) {
  switch (step) {
    case SetupStep::OpenForExclusiveUse: return "Miss! File Open";
    case SetupStep::WatchForReceivedCharacters: return "Miss! Mask Set";
    case SetupStep::ClearQueues: return "Miss! Buffer Set";
    case SetupStep::MakeReadsNonBlocking: return "Miss! Time Out Set";
    case SetupStep::ApplyLineSettings: return "Miss! Set Comm State";
  }
  return "Miss!";
}

bool is_pseudo_terminal(int fd) {
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode)) {
    const unsigned m = major(st.st_rdev);
    if (m >= kPtySlaveMajorFirst && m <= kPtySlaveMajorLast) return true;
  }
  unsigned number = 0;
  return ::ioctl(fd, TIOCGPTN, &number) == 0;
}

std::string describe_open_error(const std::string& path, int error) {
  std::string text = "cannot open " + path + ": " + reason(error);
  switch (error) {
    case EACCES:
    case EPERM:
      text += permission_hint(path);
      break;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      text += " — check that the device is plugged in, or choose another port "
              "('klvc ports' lists the serial devices)";
      break;
    case EBUSY:
      text = path + " is in use by another process";
      break;
    default:
      break;
  }
  return text;
}

std::string output_held_by(int fd) {
  int bits = 0;
  if (::ioctl(fd, TIOCMGET, &bits) == 0 && !(bits & TIOCM_CTS)) {
    return "the switcher holds CTS low (hardware handshake)";
  }
  return "the switcher sent XOFF and no XON since (flow control)";
}

void release_port(OpenPort* port) {
  restore(port);
  if (port->fd >= 0) ::close(port->fd);
  *port = OpenPort{};
}

namespace {

// The set-up steps, one function each: "" when done, else what failed (the
// device path and the system's reason). A step that fails leaves the device
// open; the caller hands it back.

// Open, make sure it is a terminal device, note its settings so they can be
// put back, and take it for this process alone: flock keeps out other
// programs that lock, TIOCEXCL the rest.
std::string open_for_exclusive_use(OpenPort& port, const std::string& path, ReadLineSettings) {
  if (path.empty()) return "no device is assigned to this port";
  port.fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (port.fd < 0) return describe_open_error(path, errno);
  if (!::isatty(port.fd)) return path + " is not a serial device";
  port.have_found = ::tcgetattr(port.fd, &port.found) == 0;
  port.pseudo_terminal = is_pseudo_terminal(port.fd);
  if (::flock(port.fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    return e == EWOULDBLOCK ? path + " is in use by another process" : "cannot lock " + path + ": " + reason(e);
  }
  if (::ioctl(port.fd, TIOCEXCL) != 0) return "cannot take " + path + " for exclusive use: " + reason(errno);
  port.exclusive = true;
  return {};
}

// The reader waits for received characters with poll(2).
std::string watch_for_received_characters(OpenPort& port, const std::string& path, ReadLineSettings) {
  pollfd p{port.fd, POLLIN, 0};
  if (::poll(&p, 1, 0) < 0 || (p.revents & POLLNVAL)) {
    return path + ": cannot watch for received characters: " + reason(errno);
  }
  return {};
}

// Start with empty driver queues: nothing stale from before.
std::string clear_queues(OpenPort& port, const std::string& path, ReadLineSettings) {
  if (::tcflush(port.fd, TCIOFLUSH) != 0) return path + ": cannot clear the driver's queues: " + reason(errno);
  return {};
}

// Reads return at once with what is queued; writes never block the program
// for longer than the write time-out.
std::string make_reads_non_blocking(OpenPort& port, const std::string& path, ReadLineSettings) {
  const int flags = ::fcntl(port.fd, F_GETFL);
  if (flags < 0 || ::fcntl(port.fd, F_SETFL, flags | O_NONBLOCK) != 0) {
    return path + ": cannot make reads return at once: " + reason(errno);
  }
  return {};
}

// The line settings, read back to be sure the driver took them.
std::string apply_line_settings(OpenPort& port, const std::string& path, ReadLineSettings read_back) {
  if (!port.have_found) return path + ": cannot read the line settings: " + reason(errno);
  termios wanted = make_line_settings(port.found);
  int r = ::tcsetattr(port.fd, TCSANOW, &wanted);
  if (r != 0 && errno == EINVAL && port.pseudo_terminal) {
    // The kernel drops the parity bit of a pseudo-terminal, and refuses a
    // request whose only change it would drop.
    wanted.c_cflag = (wanted.c_cflag & ~(PARENB | PARODD)) | (port.found.c_cflag & (PARENB | PARODD));
    r = ::tcsetattr(port.fd, TCSANOW, &wanted);
  }
  if (r != 0) return path + ": the device refuses 9600 baud 8E1 with handshake: " + reason(errno);
  // Drivers may drop RTS and DTR while the settings change; raise them again.
  // Not every device has modem lines (a pseudo-terminal has none).
  int lines = TIOCM_RTS | TIOCM_DTR;
  (void)::ioctl(port.fd, TIOCMBIS, &lines);
  termios actual{};
  if (read_back(port.fd, &actual) != 0) return path + ": cannot read the line settings back: " + reason(errno);
  const std::string differ = line_settings_mismatch(make_line_settings(port.found), actual, port.pseudo_terminal);
  if (!differ.empty()) return path + ": the device did not take these settings: " + differ;
  return {};
}

struct SetupStepRun {
  SetupStep step;
  std::string (*run)(OpenPort& port, const std::string& path, ReadLineSettings read_back);
};

constexpr SetupStepRun kSetupSteps[] = {
    {SetupStep::OpenForExclusiveUse, open_for_exclusive_use},
    {SetupStep::WatchForReceivedCharacters, watch_for_received_characters},
    {SetupStep::ClearQueues, clear_queues},
    {SetupStep::MakeReadsNonBlocking, make_reads_non_blocking},
    {SetupStep::ApplyLineSettings, apply_line_settings},
};

}  // namespace

OpenPort set_up_port(const std::string& path, std::vector<SetupFailure>* failures, ReadLineSettings read_back) {
  OpenPort port;
  for (const SetupStepRun& s : kSetupSteps) {
    if (s.step != SetupStep::OpenForExclusiveUse && port.fd < 0) {
      if (failures) failures->push_back({s.step, not_open(path), true});
      continue;
    }
    std::string failure = s.run(port, path, read_back);
    if (failure.empty()) continue;
    if (failures) failures->push_back({s.step, std::move(failure), false});
    release_port(&port);
  }
  return port;
}

}  // namespace klvc
