// Inside the link only: the state of the process's one link, which
// link.cpp, the reader thread (link_reader.cpp), the answer handling, the
// traffic log and the message boxes share.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/answer_queue.h"
#include "link/line_assembler.h"
#include "link/link.h"
#include "link/link_log.h"
#include "link/messages.h"
#include "link/port_setup.h"
#include "link/rfc2217.h"
#include "settings/store.h"

namespace klvc {

struct LinkCore {
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
  std::atomic<bool> pseudo_terminal_noted{false};  // said once per process
  std::string console_allowed;                      // a console device named with --port
  std::atomic<bool> console_warned{false};          // said once per process

  LinkStatus status;

  // The lines awaiting answers, and the lock that keeps a line's write, its
  // log entry and the handling of its answer in order. Recursive: a direct
  // line (tests, the built-in simulator's synchronous attachment) answers
  // while the write is still in progress on the same thread.
  std::recursive_mutex traffic_mutex;
  AnswerQueue awaited;
  std::function<void(const AnswerEvent&)> answer_observer;  // under traffic_mutex
  // The next unknown answer gets a box (armed again by each command sent).
  std::atomic<bool> unknown_box_armed{true};
  SendOutcome last_send;  // user-interface thread
  // Labels of lines that could not be written since the last answer or No
  // Connect (under traffic_mutex): the No Connect box names them too.
  std::vector<std::string> unsent_labels;
  std::function<std::int64_t()> clock;  // under traffic_mutex; empty: steady
  std::int64_t pending_since_ms = 0;     // when the last command was handed over
  std::atomic<long> last_written{0};     // the number of the last line written in full
  AnswerLag lag;                         // under traffic_mutex
  LineAssembler port_lines;              // the port's answer assembly, under traffic_mutex
  std::atomic<bool> net_held{false};      // a network port's switcher sent XOFF (not yet XON)
  std::atomic<bool> caller_reads{false};  // see read_answers_yourself

  // Who hears log_link: the UI thread and the reader thread both log.
  std::mutex listeners_mutex;
  std::map<int, LinkListener> listeners;
  int next_listener = 1;

  std::atomic<MessageSink*> sink{nullptr};  // nullptr: the default sink
};

LinkCore& link();
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
void adopt_device(LinkCore& l, OpenedDevice opened);
// Hands the port back and forgets it; under port_mutex.
void close_port_locked(LinkCore& l);

// Said once, in the log only: on a pseudo-terminal the line runs without
// the parity bit the switcher's line asks for.
void note_pseudo_terminal(const OpenPort& port, const std::string& device);

// Received bytes through line assembly to the answer handling; the caller
// holds traffic_mutex. `written_before`: link().last_written read before the bytes were.
void deliver(LineAssembler& lines, const char* data, std::size_t size, long written_before);
// Reads and handles what the port holds now, without waiting (under traffic_mutex).
void read_port_now(LinkCore& l);
// The link's clock now (under traffic_mutex).
std::int64_t link_now_ms(const LinkCore& l);

// The reader thread's body.
void reader_main();

}  // namespace klvc
