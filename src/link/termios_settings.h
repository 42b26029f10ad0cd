// The switcher's fixed line settings as a termios record, built without
// touching any device so the rules can be checked on their own.
#pragma once

#include <termios.h>

#include <string>

namespace klvc {

// 9600 baud, 8 data bits, even parity (not checked on receive), 1 stop bit,
// RTS/CTS hardware handshake, XON/XOFF both ways, raw bytes, reads that
// return at once with whatever is queued. Fields the line settings do not
// name are taken from `current`.
termios make_line_settings(const termios& current);

// Empty when `actual` (read back from the device) holds every line setting
// of `wanted`; otherwise a short description of what differs. A
// pseudo-terminal cannot hold a parity setting, so with `pseudo_terminal`
// a missing parity bit is accepted.
std::string line_settings_mismatch(const termios& wanted, const termios& actual,
                                   bool pseudo_terminal);

}  // namespace klvc
