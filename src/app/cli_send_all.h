// `klvc send-all`: the send-all run without a screen, for setting up many
// switchers from scripts. It loads a settings file (or the defaults), takes
// the model and the port from the profile unless given, and sends every
// setting with the same steps and the same timing as the dialog
// "全項目の設定".
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace klvc {

struct SendAllOptions {
  std::string file;     // a settings file, text or titles CSV; empty: the base alone
  std::string base;     // --base FILE.dat under a text or CSV; empty: the defaults
  int model = -1;       // 0..4; -1: the profile's
  std::string port;     // --port DEV
  int com = -1;         // --com N as 0..5; -1: the profile's
  bool simulate = false;
  bool rs485 = false;
  int slave = -1;       // 0..31; -1: 0
  bool dry_run = false;
  bool force = false;   // send a file even when the reader reported problems
  bool help = false;
};

// The words after "send-all". False and *error (one line) on bad usage.
bool parse_send_all_args(const std::vector<std::string>& args, SendAllOptions* options,
                         std::string* error);

// The text of `klvc send-all --help`, and its lines in `klvc --help`.
std::string send_all_usage();
std::string send_all_brief_usage();

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// The dispatch row: args are the words after "send-all".
int send_all_main(const std::vector<std::string>& args);

// --- the timed run, with its clock and its output replaceable for tests ---

// Time and interruption as the run sees them. The real one sleeps on the
// monotonic clock and wakes early for Ctrl+C.
class SendAllPace {
 public:
  virtual ~SendAllPace() = default;
  virtual std::int64_t now_ms() = 0;
  // Sleeps until `deadline_ms` at most; returns early when interrupted.
  virtual void wait_until(std::int64_t deadline_ms) = 0;
  virtual bool interrupted() = 0;
};

// What came back for the lines of a run. The link feeds it from the reader
// thread and the message boxes; the run reads it between ticks.
struct SendAllTally {
  int lines_sent = 0;
  int answers = 0;        // answer lines received, whatever they said
  int go_answers = 0;
  int error_answers = 0;  // any answer other than "GO"
  int no_connects = 0;
};

struct SendAllOutcome {
  SendAllTally tally;
  int warnings = 0;          // settings that could not be sent (titles, password)
  bool finished = false;     // every step ran
  bool stopped = false;      // an error answer ended the run early
  bool interrupted = false;  // Ctrl+C
  bool unanswered = false;   // answers still missing when the wait gave up
  int last_step = 0;         // the step of the last tick that ran
  std::string last_line;     // the last line written, without CR LF
  std::int64_t run_ms = 0;       // from the start to the last tick
  std::int64_t max_late_ms = 0;  // the latest a tick came after its deadline
};

// Where the run reports to: progress after every tick, warnings and the
// final summary. `stream` is stderr in the program.
class SendAllReporter {
 public:
  SendAllReporter(std::ostream& stream, bool is_terminal, int model);
  void tick(int step, int progress_pos, int progress_max, const SendAllTally& tally,
            std::int64_t ms_left);
  void message(const std::string& text);  // one line, above the bar
  void done();                            // clears the bar

 private:
  std::ostream& out_;
  bool terminal_;
  int model_;
  const char* last_phase_ = nullptr;  // names come from one table
  bool bar_shown_ = false;
};

// How the run learns what came back: `tally` counts the answers (its
// lines_sent is ignored), `poll` runs after every wake-up (the program prints
// the link's messages there).
struct SendAllHooks {
  std::function<SendAllTally()> tally;
  std::function<void()> poll;
};

// Runs the whole timed run on the current store and link (port open or a
// direct line attached): ticks at 80 ms, then 500 ms from step 330, on
// absolute deadlines; the no-answer check every 500 ms; after the last line
// it waits for the outstanding answers (up to the no-answer limit).
SendAllOutcome run_send_all_timed(SendAllPace& pace, SendAllReporter& reporter,
                                  const SendAllHooks& hooks);

class Simulator;
// Test hook: called with the simulated switcher of a --simulate run after the
// run, before the simulator stops. Empty removes it.
void set_send_all_simulator_hook(std::function<void(Simulator&)> hook);

int send_all_exit_code(const SendAllOutcome& outcome);

// The program's pace: the monotonic clock, woken early by Ctrl+C once
// interrupts are caught (the run of send_all_main does that).
std::unique_ptr<SendAllPace> monotonic_send_all_pace();

}  // namespace klvc
