// The device link: the serial port, the reader thread, command framing and
// the switcher's answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "link/answer_queue.h"
#include "link/link_status.h"

namespace klvc {

// Port set-up and lifetime (user-interface thread).
void open_port();      // opens the device mapped to store().com_port_index
void start_reader();   // reader_running = 1 and start the reader thread
void stop_link();      // wake and join the reader, close everything
void restart_link();   // stop_link, open_port, start_reader
bool link_is_open();

// Frames one command (body with its CR LF) and writes it; sets response_pending.
void send_command(const char* text);
inline void send_command(const std::string& text) { send_command(text.c_str()); }
// The same for a line whose answer `owner` wants to hear of (see LineOwner).
void send_command(const std::string& text, LineOwner owner);

// One received answer line (reader thread, or tests).
void handle_response(const char* line);

// Once per 500 ms tick of the main frame's timer: the oldest line still
// waiting gets "No Connect" once more than kNoAnswerLimitMs have passed since
// its last byte was written, and only after what the port already holds was
// read (a paused process is not a silent switcher).
void no_connect_check();
constexpr std::int64_t kNoAnswerLimitMs = 3000;

// The monotonic clock (ms) lines are stamped with and the limit is measured
// on; empty: the steady clock. The screen and tests set their own.
void set_link_clock(std::function<std::int64_t()> now_ms);
// Every line still waiting is given up now (a run ends): each is told as NoAnswer.
void give_up_answers(const char* why);
// A new run on the open port (the next unit of a bus): numbers start again from 1.
void restart_line_numbers();

// Answers that came after a later line had been written: which line each
// belongs to is then a guess (a lost answer looks like a late one). The span
// runs from the first line such an answer settled to the last line written
// when one came; all 0 while answers kept up with the lines. The box at the
// end of a batch says so instead of "Success".
struct AnswerLag {
  long first = 0;
  long last = 0;
};
void clear_answer_lag();  // a new batch starts; the end's box speaks of its answers
// "answers lagged behind the lines from line N on; a lost answer cannot be
// told from a late one at this pace"
std::string answer_lag_text(long first_line);

// What became of one line or one answer, as the link pairs them: each answer
// settles the oldest line still waiting for one.
struct AnswerEvent {
  enum class Kind {
    Answer,      // `answer` came for line `line_number`
    Unexpected,  // `answer` came while no line waited; `line_number` is the
                 // last line written before it (0: none yet)
    NoAnswer,    // line `line_number` got no answer within the limit (No Connect)
                 // or before the link went away
  };
  Kind kind = Kind::Answer;
  long line_number = 0;  // lines count from 1 since the port was opened
  std::string line;      // that line as written, without CR LF (slave prefix kept)
  std::string answer;    // as it arrived, prefix and CR LF included (a long one cut)
  std::size_t answer_size = 0;  // its real length: more than answer.size() when cut
  bool go = false;       // the answer was "GO"
  long lagged_behind = 0;  // Answer: line N (> line_number) was already written
                           // when it came, so the pairing is a guess; else 0
};

// Sees every answer and every line given up, on the thread that handles it
// (the reader, or the frame's timer). Set it while no reader thread runs;
// empty removes it. The command line's send-all run reports with it.
void set_answer_observer(std::function<void(const AnswerEvent&)> observer);
// True while a line written still waits for its answer.
bool answers_awaited();

// What became of the last line send_command handled (user-interface thread).
struct SendOutcome {
  bool written = false;  // every byte went to the device (or the direct line)
  long line_number = 0;  // its number when written
  int error = 0;         // errno when not written: ETIMEDOUT (held by flow
                         // control), EIO and the like (device gone), ENOTCONN (no port)
  std::string failure;   // why not, for a message
};
SendOutcome last_send_outcome();

// Test and simulation hook: while set, send_command hands each framed line to
// `writer` instead of the port (on the calling thread). Empty restores the port.
void set_direct_line(std::function<void(const std::string& bytes)> writer);
// Delivers bytes as if they had been read from the port: line assembly, then
// handle_response for each complete line (on the calling thread).
void feed_received(const char* data, std::size_t size);

// COM1..COM6 (index 0..5) and the devices they stand for; by default
// /dev/ttyS0../dev/ttyS5, the profile may map any of them elsewhere (for
// example a USB adapter under /dev/serial/by-id/). Outside 0..5: empty.
void set_port_device(int com_index, std::string path);   // from the profile
std::string port_device(int com_index);                  // the mapped path
// Simulation: the link opens this device (the built-in simulated switcher's
// pseudo-terminal) instead of the mapped one; empty to go back to the mapped devices.
void set_simulated_device(std::string pty_path);

// The kernel writes its console to this device (/sys/class/tty/console/active).
bool is_kernel_console(const std::string& path);
// The link opens the kernel console only when the operator named it (--port):
// this path, then, with a warning once. Empty: never.
void allow_console_device(std::string path);

// A run that waits for each answer may read the port itself (one thread
// woken per answer instead of two): on, it gets the port's descriptor (-1:
// none) and calls read_answers_now when it is readable; off (or when the
// port hangs up) the reader thread reads again.
int read_answers_yourself(bool on);
void read_answers_now();

// Where the link stands, for a status line.
enum class LinkState {
  Closed,            // no port: never opened, set-up failed, or stopped
  Open,              // the device is open and the reader listens
  WaitingForDevice,  // the device went away; the reader retries about once a second
};
LinkState link_state();
// Why the device last went away ("/dev/ttyUSB0 hung up").
std::string link_lost_reason();
// The device the link uses (or waits for); empty while closed.
std::string link_device();

// How long the reader waits between attempts to reopen a device that went
// away (about a second; tests shorten it).
void set_reconnect_interval_ms(int ms);

}  // namespace klvc
