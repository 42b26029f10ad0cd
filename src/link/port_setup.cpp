#include "link/port_setup.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/termios_settings.h"

namespace klvc {

namespace {

std::string reason(int error) { return std::strerror(error); }

// The group that may open the device, to name it in the permission hint.
std::string owning_group(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return {};
  if (const group* g = ::getgrgid(st.st_gid)) return g->gr_name;
  return {};
}

std::string not_open(const std::string& path) {
  return path.empty() ? "the port is not open" : path + ": the port is not open";
}

void close_fd(int* fd) {
  if (*fd >= 0) ::close(*fd);
  *fd = -1;
}

}  // namespace

const char* setup_step_title(SetupStep step) {
  switch (step) {
    case SetupStep::FileOpen: return "Miss! File Open";
    case SetupStep::MaskSet: return "Miss! Mask Set";
    case SetupStep::BufferSet: return "Miss! Buffer Set";
    case SetupStep::TimeOutSet: return "Miss! Time Out Set";
    case SetupStep::SetCommState: return "Miss! Set Comm State";
  }
  return "Miss!";
}

std::string describe_open_error(const std::string& path, int error) {
  std::string text = "cannot open " + path + ": " + reason(error);
  switch (error) {
    case EACCES:
    case EPERM: {
      std::string group = owning_group(path);
      if (group.empty() || group == "root") group = "usually dialout";
      else if (group != "dialout") group = group + ", usually dialout";
      text += " — add yourself to the group that owns the device (" + group +
              ") and log in again";
      break;
    }
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

int set_up_port(const std::string& path, bool simulated, std::vector<SetupFailure>* failures) {
  auto fail = [failures](SetupStep step, std::string detail, int* fd) {
    if (failures) failures->push_back({step, std::move(detail)});
    close_fd(fd);
  };
  int fd = -1;

  // Open, make sure it is a terminal device, and take it for this process
  // alone: flock keeps out other programs that lock, TIOCEXCL the rest.
  if (path.empty()) {
    if (failures) failures->push_back({SetupStep::FileOpen, "no device is assigned to this port"});
  } else {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      if (failures) failures->push_back({SetupStep::FileOpen, describe_open_error(path, errno)});
    } else if (!::isatty(fd)) {
      fail(SetupStep::FileOpen, path + " is not a serial device", &fd);
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int e = errno;
      fail(SetupStep::FileOpen,
           e == EWOULDBLOCK ? path + " is in use by another process"
                            : "cannot lock " + path + ": " + reason(e),
           &fd);
    } else if (::ioctl(fd, TIOCEXCL) != 0) {
      fail(SetupStep::FileOpen, "cannot take " + path + " for exclusive use: " + reason(errno), &fd);
    }
  }

  // The reader waits for received characters with poll(2).
  if (fd < 0) {
    if (failures) failures->push_back({SetupStep::MaskSet, not_open(path)});
  } else {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0 || (p.revents & POLLNVAL)) {
      fail(SetupStep::MaskSet, path + ": cannot watch for received characters: " + reason(errno), &fd);
    }
  }

  // Start with empty driver queues: nothing stale from before.
  if (fd < 0) {
    if (failures) failures->push_back({SetupStep::BufferSet, not_open(path)});
  } else if (::tcflush(fd, TCIOFLUSH) != 0) {
    fail(SetupStep::BufferSet, path + ": cannot clear the driver's queues: " + reason(errno), &fd);
  }

  // Reads return at once with what is queued; writes never block the
  // program for longer than the write time-out.
  if (fd < 0) {
    if (failures) failures->push_back({SetupStep::TimeOutSet, not_open(path)});
  } else {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
      fail(SetupStep::TimeOutSet, path + ": cannot make reads return at once: " + reason(errno), &fd);
    }
  }

  // The line settings, read back to be sure the driver took them.
  if (fd < 0) {
    if (failures) failures->push_back({SetupStep::SetCommState, not_open(path)});
    return -1;
  }
  termios current{};
  if (::tcgetattr(fd, &current) != 0) {
    fail(SetupStep::SetCommState, path + ": cannot read the line settings: " + reason(errno), &fd);
    return -1;
  }
  termios wanted = make_line_settings(current);
  int r = ::tcsetattr(fd, TCSANOW, &wanted);
  if (r != 0 && errno == EINVAL && simulated) {
    // A pseudo-terminal refuses a change of the parity bit alone.
    wanted.c_cflag = (wanted.c_cflag & ~(PARENB | PARODD)) | (current.c_cflag & (PARENB | PARODD));
    r = ::tcsetattr(fd, TCSANOW, &wanted);
  }
  if (r != 0) {
    fail(SetupStep::SetCommState,
         path + ": the device refuses 9600 baud 8E1 with handshake: " + reason(errno), &fd);
    return -1;
  }
  // Drivers may drop RTS and DTR while the settings change; raise them again.
  // Not every device has modem lines (a pseudo-terminal has none).
  int lines = TIOCM_RTS | TIOCM_DTR;
  (void)::ioctl(fd, TIOCMBIS, &lines);
  termios actual{};
  if (::tcgetattr(fd, &actual) != 0) {
    fail(SetupStep::SetCommState, path + ": cannot read the line settings back: " + reason(errno), &fd);
    return -1;
  }
  std::string differ = line_settings_mismatch(make_line_settings(current), actual, simulated);
  if (!differ.empty()) {
    fail(SetupStep::SetCommState, path + ": the device did not take these settings: " + differ, &fd);
    return -1;
  }
  return fd;
}

}  // namespace klvc
