// Inside the link only: the state of one Link, which link.cpp, the reader
// thread (link_reader.cpp) and the answer handling share. Each Link owns one;
// every function here is handed the core it works for.
#pragma once

#include <array>
#include <atomic>
#include <functional>
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

namespace klvc {

struct LinkCore {
  // Guards the port and device state against the reader closing or reopening
  // the device while the user-interface thread writes a command.
  std::mutex port_mutex;
  OpenPort port;
  bool network = false;                   // port.fd is a socket (tcp:, rfc2217:)
  std::shared_ptr<TelnetSession> telnet;  // rfc2217: the telnet bytes in both directions
  std::string device;    // what open chose (kept while waiting for it to return)
  std::string lost_why;  // why the device last went away
  std::atomic<int> state{static_cast<int>(LinkState::Closed)};

  int wake_fd = -1;      // eventfd: stop wakes the reader through it
  std::thread reader;

  std::mutex direct_mutex;
  std::function<void(const std::string&)> direct_writer;
  std::mutex feed_mutex;
  LineAssembler direct_lines;  // feed_received's line assembly

  int com_index = -1;              // the COM port `device` stands for, for messages
  bool named_by_operator = false;  // the console may be used (with a warning)
  // The RS-485 address: the owner's thread sets it, the reader reads it.
  std::atomic<int> interface_mode{0};
  std::atomic<int> slave_number{0};
  std::atomic<int> reconnect_ms{1000};

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
};

void set_state(LinkCore& l, LinkState s);
inline LinkState state_of(const LinkCore& l) { return static_cast<LinkState>(l.state.load()); }

// A device opened for the link: a local serial device or a network port.
struct OpenedDevice {
  OpenPort port;
  bool network = false;
  std::shared_ptr<TelnetSession> telnet;
};
// `cancel_fd` readable gives up a network connection at once (-1: none).
// The kernel console only when the operator named it (l.named_by_operator).
OpenedDevice open_device(LinkCore& l, const std::string& device, int cancel_fd,
                         std::vector<SetupFailure>* failures);
// Takes `opened` as the link's port (under port_mutex).
void adopt_device(LinkCore& l, OpenedDevice opened);
// Hands the port back and forgets it; under port_mutex.
void close_port_locked(LinkCore& l);

// Said once, in the log only: on a pseudo-terminal the line runs without
// the parity bit the switcher's line asks for.
void note_pseudo_terminal(const OpenPort& port, const std::string& device);

// Received bytes through line assembly to the answer handling; the caller
// holds traffic_mutex. `written_before`: l.last_written read before the bytes were.
void deliver(LinkCore& l, LineAssembler& lines, const char* data, std::size_t size, long written_before);
// Reads and handles what the port holds now, without waiting (under traffic_mutex).
void read_port_now(LinkCore& l);
// The link's clock now (under traffic_mutex).
std::int64_t link_now_ms(const LinkCore& l);

// The reader thread's body.
void reader_main(LinkCore& l);

// The answer handling (answers.cpp), for the core it is handed.
// Everything handle_response does, for a line that may hold NUL bytes or
// may have been cut by the line assembler.
void handle_answer_line(LinkCore& l, const LineAssembler::Line& line);
// Every line still waiting for an answer gets none: logged and told to the
// answer observer as NoAnswer, `why` naming the reason ("No Connect").
// Returns the labels of the lines given up that carry one, oldest first.
std::vector<std::string> give_up_awaited_lines(LinkCore& l, const char* why);
// Called for each command sent: the next unknown answer gets its box again.
// (Junk on the line shows one box per command, not one per line of junk.)
void arm_unknown_answer_box(LinkCore& l);

}  // namespace klvc
