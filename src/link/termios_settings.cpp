#include "link/termios_settings.h"

#include <vector>

namespace klvc {

namespace {

constexpr cc_t kXon = 0x11;
constexpr cc_t kXoff = 0x13;

// One setting that must survive the round trip through the driver.
struct FlagCheck {
  tcflag_t termios::*field;
  tcflag_t mask;
  const char* name;
  bool parity;  // a pseudo-terminal drops it
};

const FlagCheck kFlagChecks[] = {
    {&termios::c_cflag, CSIZE, "data bits", false},
    {&termios::c_cflag, PARENB, "parity", true},
    {&termios::c_cflag, PARODD, "parity", true},
    {&termios::c_cflag, CSTOPB, "stop bits", false},
    {&termios::c_cflag, CRTSCTS, "RTS/CTS handshake", false},
    {&termios::c_cflag, CLOCAL | CREAD, "receiver", false},
    {&termios::c_iflag, IXON | IXOFF | IXANY, "XON/XOFF", false},
    {&termios::c_iflag, INPCK | ISTRIP | ICRNL | INLCR | IGNCR, "input translation", false},
    {&termios::c_oflag, OPOST, "output translation", false},
    {&termios::c_lflag, ICANON | ECHO | ISIG | IEXTEN, "raw mode", false},
};

}  // namespace

termios make_line_settings(const termios& current) {
  termios t = current;

  // Control: 8 data bits, even parity, one stop bit, receiver on, modem
  // status lines ignored (the switcher does not drive DCD), hardware
  // handshake on RTS/CTS, lines dropped when the port is closed.
  t.c_cflag &= ~(CSIZE | PARODD | CSTOPB | CMSPAR);
  t.c_cflag |= CS8 | PARENB | CREAD | CLOCAL | CRTSCTS | HUPCL;

  // Input: no parity check on receive (the line still sends even parity),
  // no stripping or CR/LF translation, no break handling; XON/XOFF in both
  // directions, only XON itself restarts output.
  t.c_iflag &= ~(INPCK | IGNPAR | PARMRK | ISTRIP | IGNBRK | BRKINT | INLCR | IGNCR | ICRNL |
                 IUCLC | IXANY | IMAXBEL);
  t.c_iflag |= IXON | IXOFF;

  // Output: bytes go out exactly as written.
  t.c_oflag &= ~OPOST;

  // Local: no line editing, echo or signal characters.
  t.c_lflag &= ~(ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN);

  // A read returns at once with what is queued; flow control characters.
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  t.c_cc[VSTART] = kXon;
  t.c_cc[VSTOP] = kXoff;

  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  return t;
}

std::string line_settings_mismatch(const termios& wanted, const termios& actual,
                                   bool pseudo_terminal) {
  std::vector<std::string> differ;
  auto note = [&differ](const std::string& what) {
    for (const auto& d : differ) {
      if (d == what) return;
    }
    differ.push_back(what);
  };
  if (cfgetospeed(&actual) != cfgetospeed(&wanted) || cfgetispeed(&actual) != cfgetispeed(&wanted)) {
    note("speed");
  }
  for (const FlagCheck& c : kFlagChecks) {
    if (((wanted.*c.field ^ actual.*c.field) & c.mask) == 0) continue;
    if (c.parity && pseudo_terminal) continue;
    note(c.name);
  }
  const cc_t cc_indexes[] = {VMIN, VTIME, VSTART, VSTOP};
  for (cc_t i : cc_indexes) {
    if (wanted.c_cc[i] != actual.c_cc[i]) {
      note("control characters");
    }
  }
  std::string text;
  for (const auto& d : differ) {
    if (!text.empty()) text += ", ";
    text += d;
  }
  return text;
}

}  // namespace klvc
