// Serial ports reached over the network, named like files wherever a device
// path is taken: "tcp:HOST:PORT" (a raw TCP port, as serial device servers
// and ser2net offer) and "rfc2217:HOST:PORT" (telnet with the COM-PORT-OPTION,
// which sets the line to 9600 baud 8E1 and reads it back). HOST may be a
// name, an IPv4 address or an IPv6 address in brackets.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/port_setup.h"
#include "link/rfc2217.h"
#include "link/serial_io.h"

namespace klvc {

struct NetAddress {
  bool rfc2217 = false;
  std::string host;
  std::string port;
};

// Starts with "tcp:" or "rfc2217:".
bool is_network_port(const std::string& name);
// False and *error (what is wrong with the name) for a malformed one.
bool parse_network_port(const std::string& name, NetAddress* out, std::string* error);

// How long connecting, and the server's answers to the line settings, may take.
constexpr int kNetTimeoutMs = 5000;

struct NetPort {
  int fd = -1;
  std::shared_ptr<TelnetSession> telnet;  // rfc2217: only
};

// Connects to `name` and, for rfc2217:, sets the line and checks the
// server's read-back. On failure fd is -1 and *failures (may be null) gets
// the steps as a local port's set-up reports them: connecting is the open,
// the line settings the last step. A readable `cancel_fd` (-1: none) gives
// up at once, so stopping the link never waits for a connection.
NetPort open_network_port(const std::string& name, int cancel_fd, std::vector<SetupFailure>* failures,
                          int timeout_ms = kNetTimeoutMs);

// Writes on a socket without SIGPIPE: as write(2) otherwise.
long send_to_socket(int fd, const char* data, std::size_t size);

// Writing whole lines to a network port.
class SocketIo : public FdSerialIo {
 public:
  explicit SocketIo(int fd) : FdSerialIo(fd) {}
  long write_some(const char* data, std::size_t size) override { return send_to_socket(fd_, data, size); }
};

}  // namespace klvc
