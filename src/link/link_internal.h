// Inside the link only: the state link.cpp and the reader thread
// (link_reader.cpp) share.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/line_assembler.h"
#include "link/link.h"
#include "link/port_setup.h"
#include "link/rfc2217.h"
#include "settings/store.h"

namespace klvc {

struct Link {
  // Guards the port and device state against the reader closing or reopening
  // the device while the user-interface thread writes a command.
  std::mutex port_mutex;
  OpenPort port;
  bool network = false;                   // port.fd is a socket (tcp:, rfc2217:)
  std::shared_ptr<TelnetSession> telnet;  // rfc2217: the telnet bytes in both directions
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

Link& link();
void set_state(LinkState s);

// A device opened for the link: a local serial device or a network port.
struct OpenedDevice {
  OpenPort port;
  bool network = false;
  std::shared_ptr<TelnetSession> telnet;
};
// `cancel_fd` readable gives up a network connection at once (-1: none).
OpenedDevice open_device(const std::string& device, int cancel_fd, std::vector<SetupFailure>* failures);
// Takes `opened` as the link's port (under port_mutex).
void adopt_device(Link& l, OpenedDevice opened);
// Hands the port back and forgets it; under port_mutex.
void close_port_locked(Link& l);

// Said once, in the log only: on a pseudo-terminal the line runs without
// the parity bit the switcher's line asks for.
void note_pseudo_terminal(const OpenPort& port, const std::string& device);

// Received bytes through line assembly to the answer handling.
void deliver(LineAssembler& lines, const char* data, std::size_t size);

// The reader thread's body.
void reader_main();

}  // namespace klvc
