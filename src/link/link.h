// The device link: one serial or network port, its reader thread, command
// framing and the switcher's answers. Whoever runs a link owns it (the
// screen's application, a send-all run) and hands it what it needs in a
// LinkSetup; the link reads nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/answer_queue.h"
#include "link/link_status.h"

namespace klvc {

// A line waits this long for its answer before it is given up as No Connect.
constexpr std::int64_t kNoAnswerLimitMs = 3000;

// Answers that came after a later line had been written: which line each
// belongs to is then a guess (a lost answer looks like a late one). The span
// runs from the first line such an answer settled to the last line written
// when one came; all 0 while answers kept up with the lines. The box at the
// end of a batch says so instead of "Success".
struct AnswerLag {
  long first = 0;
  long last = 0;
};

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

// What became of the last line send_command handled (user-interface thread).
struct SendOutcome {
  bool written = false;  // every byte went to the device (or the direct line)
  long line_number = 0;  // its number when written
  int error = 0;         // errno when not written: ETIMEDOUT (held by flow
                         // control), EIO and the like (device gone), ENOTCONN (no port)
  std::string failure;   // why not, for a message
};

// Where the link stands, for a status line.
enum class LinkState {
  Closed,            // no port: never opened, set-up failed, or stopped
  Open,              // the device is open and the reader listens
  WaitingForDevice,  // the device went away; the reader retries about once a second
};

// What a link opens and how it addresses the switcher.
struct LinkSetup {
  // A device path, "tcp:HOST:PORT" or "rfc2217:HOST:PORT". Empty: nothing
  // to open (the failure names COM<com_index + 1>).
  std::string device;
  int com_index = -1;        // the COM port the device stands for, for messages; -1 none
  int interface_mode = 0;    // 0 RS-232C; 1 RS-485: lines get the slave's prefix, answers lose theirs
  int slave_number = 0;      // RS-485 address 0..31
  // The operator named this device (--port), so it may be the kernel console
  // (with a warning once); otherwise the console is refused.
  bool named_by_operator = false;
};

// The kernel writes its console to this device (/sys/class/tty/console/active).
bool is_kernel_console(const std::string& path);

struct LinkCore;  // the state one link owns (link_internal.h)

class Link {
 public:
  Link();
  ~Link();  // stops the reader and closes the port
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // Port set-up and lifetime (the owner's thread).
  void open(const LinkSetup& setup);  // a failure is reported as a box, the link stays Closed
  void start_reader();                // the reader thread listens on the open port
  void stop();                        // wake and join the reader, close everything
  void restart(const LinkSetup& setup) { stop(); open(setup); start_reader(); }
  // The RS-485 address of the lines sent from now on (a dialog's slave list).
  void set_address(int interface_mode, int slave_number);
  int interface_mode() const;  // 1: RS-485, the answers carry the address too

  LinkState state() const;
  bool is_open() const { return state() == LinkState::Open; }
  std::string lost_reason() const;  // why the device last went away ("/dev/ttyUSB0 hung up")
  std::string device() const;       // the device used (or waited for); empty while closed

  // Frames one command (body with its CR LF, the RS-485 prefix added) and
  // writes it; `owner` hears of its answer (see LineOwner).
  void send_command(const std::string& text, LineOwner owner = {});
  // What became of the last line send_command handled.
  SendOutcome last_send_outcome() const;

  // One received answer line, or raw bytes as if read from the port (tests,
  // the built-in simulator's synchronous attachment).
  void handle_response(const char* line);
  void feed_received(const char* data, std::size_t size);
  // While set, send_command hands each framed line to `writer` instead of the
  // port (on the calling thread). Empty restores the port.
  void set_direct_line(std::function<void(const std::string& bytes)> writer);

  // Once per 500 ms tick: the oldest line still waiting gets "No Connect"
  // once more than kNoAnswerLimitMs have passed since its last byte was
  // written, and only after what the port already holds was read (a paused
  // process is not a silent switcher).
  void no_connect_check();
  // The monotonic clock (ms) lines are stamped with; empty: the steady clock.
  void set_clock(std::function<std::int64_t()> now_ms);
  // Every line still waiting is given up now (a run ends): each is told as NoAnswer.
  void give_up_answers(const char* why);
  // A new run on the open port (the next unit of a bus): numbers start again from 1.
  void restart_line_numbers();
  void clear_answer_lag();  // a new batch starts; the end's box speaks of its answers
  // "answers lagged behind the lines from line N on; a lost answer cannot be
  // told from a late one at this pace"
  std::string answer_lag_text(long first_line) const;
  // Sees every answer and every line given up, on the thread that handles it.
  // Set it while no reader thread runs; empty removes it.
  void set_answer_observer(std::function<void(const AnswerEvent&)> observer);
  bool answers_awaited() const;  // a line written still waits for its answer

  // A run that waits for each answer may read the port itself: on, it gets
  // the port's descriptor (-1: none) and calls read_answers_now when it is
  // readable; off (or when the port hangs up) the reader thread reads again.
  int read_answers_yourself(bool on);
  void read_answers_now();

  // How long the reader waits between attempts to reopen a device that went
  // away (about a second; tests shorten it).
  void set_reconnect_interval_ms(int ms);

  // The flags the link and the batches it serves share with the screen's timers.
  LinkStatus& status();

 private:
  std::unique_ptr<LinkCore> core_;
};

}  // namespace klvc
