// `klvc send-all`: the send-all run without a screen, for setting up many
// switchers from scripts. It loads a settings file (or the defaults), takes
// the model and the port from the profile unless given, and sends every
// setting with the same lines as the dialog "全項目の設定": at its timed
// pace, or each line as soon as the one before was answered. Every way out
// ends in one line saying how far it got.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/log_file.h"
#include "commands/send_all_lines.h"
#include "link/link.h"

namespace klvc {

// How a run paces its lines: the dialog's fixed ticks, or each line as soon
// as the line before it was answered.
enum class PaceMode { Timed, Ack };
// "timed" or "ack" (any case); false for anything else.
bool parse_pace_word(const std::string& word, PaceMode* pace);

// The timed run's two tick periods: 80 ms, then 500 ms from step 330, unless
// --periods FAST:SLOW asks for others; the lines and their order stay the
// same, and so does the no-answer limit.
struct SendAllPeriods {
  int fast_ms = kSendAllFastPeriodMs;
  int slow_ms = kSendAllSlowPeriodMs;
};
// "FAST:SLOW", each 1..60000 ms; false for anything else.
bool parse_send_all_periods(const std::string& word, SendAllPeriods* periods);
// Gives each tick the period of its kind: `periods.fast_ms` where the step
// table says 80 ms, `periods.slow_ms` where it says 500 ms.
void apply_send_all_periods(std::vector<SendAllScriptTick>& ticks, SendAllPeriods periods);

struct SendAllOptions {
  std::string file;     // a settings file, text or titles CSV; empty: the base alone
  std::string base;     // --base FILE.dat under a text or CSV; empty: the defaults
  std::string changed_from;  // --changed-from OLD: only the lines that differ from OLD's
  bool changed = false;      // --changed: only the lines that differ from the record of what it holds
  bool summary = false;      // --summary: a JSON line on stdout at the end, for programs
  std::string targets;  // --targets FLEET.ini: several switchers
  int jobs = 0;         // --jobs N: at most N ports at once (0: as the limits allow)
  int model = -1;       // 0..4; -1: the profile's
  std::string port;     // --port DEV (or tcp:HOST:PORT, rfc2217:HOST:PORT)
  int com = -1;         // --com N as 0..5; -1: the profile's
  bool simulate = false;
  bool rs485 = false;
  int slave = -1;       // 0..31; -1: 0
  PaceMode pace = PaceMode::Ack;  // exact pairing, and ten times faster than timed
  bool pace_given = false;
  SendAllPeriods periods;         // --periods FAST:SLOW, with --pace timed
  bool periods_given = false;
  std::vector<std::pair<int, std::string>> faults;  // --fail N:ANSWER, with --simulate
  bool dry_run = false;
  bool force = false;   // send a file even when the reader reported problems
  bool help = false;
  std::vector<std::string> only;  // --only NAME: of a targets file, only these switchers
  bool records = false;           // --records: run the --only switchers of one port, reporting
                                  // as records on stdout (a fleet's child for its parent)
  LinkLogFile* log = nullptr;     // not a word: the program's --log file (may be closed)
};

// The words after "send-all". False and *error (one line) on bad usage.
bool parse_send_all_args(const std::vector<std::string>& args, SendAllOptions* options,
                         std::string* error);

// The text of `klvc send-all --help`, and its lines in `klvc --help`.
std::string send_all_usage();
std::string send_all_brief_usage();

class Simulator;
// The dispatch row: args are the words after "send-all"; `log` (may be
// nullptr) is the program's --log file. `after_simulation` (may be empty) is
// called with the simulated switcher of a --simulate run after the run,
// before the simulator stops (tests look at what it received).
int send_all_main(const std::vector<std::string>& args, LinkLogFile* log = nullptr,
                  const std::function<void(Simulator&)>& after_simulation = {});

// --- the run, with its clock and its output replaceable for tests ---

// Time and interruption as the run sees them. The real one sleeps on the
// monotonic clock and wakes early for a signal or an answer.
class SendAllPace {
 public:
  virtual ~SendAllPace() = default;
  virtual std::int64_t now_ms() = 0;
  // Sleeps until `deadline_ms` at most; returns early when a signal came,
  // or after wake().
  virtual void wait_until(std::int64_t deadline_ms) = 0;
  // 0, or the signal that asks the run to stop (SIGINT, SIGTERM, SIGHUP).
  virtual int stop_signal() = 0;
  // An answer came (any thread): the wait ends.
  virtual void wake() {}
  // While waiting, also read `link`'s answers arriving on `fd` (-1: none).
  virtual void watch(Link& link, int fd) {
    (void)link;
    (void)fd;
  }
};

// How a run ended.
enum class SendAllEnd {
  Finished,         // every step ran
  NotStarted,       // another batch was running
  StoppedByAnswer,  // an answer other than "GO" stopped it
  NoConnect,        // a line got no answer within the limit
  LinkLost,         // the device hung up or went away
  WriteFailed,      // a line could not be written (flow control held it)
  Interrupted,      // a signal
  OutputClosed,     // the report could not be written (EPIPE)
};

// What came back for the lines of a run, line by line.
struct SendAllAnswers {
  int go = 0;          // lines answered "GO"
  int refused = 0;     // lines answered otherwise
  int unexpected = 0;  // answers that came while no line waited
  int unanswered = 0;  // lines that got no answer (No Connect, link lost, the run ended)
  long unanswered_first = 0, unanswered_last = 0;  // their first and last line
  // Answers read after a later line was written: lines lag_first..lag_last
  // cannot be told apart (0: none lagged).
  long lag_first = 0, lag_last = 0;
  std::string last;    // the last answer, as it came
  bool rs485 = false;  // the answers came with the switcher's address in front
  // The refused, unexpected and unanswered ones, in the order they came
  // (the first kKeptNotable).
  std::vector<AnswerEvent> notable;
  static constexpr std::size_t kKeptNotable = 20;
};

struct SendAllOutcome {
  SendAllEnd end = SendAllEnd::Finished;
  int signal = 0;            // Interrupted: which
  int lines_sent = 0;        // written in full
  int lines_planned = 0;     // the lines the run was to send
  int warnings = 0;          // settings that could not be sent (titles, password)
  int last_step = 0;         // the step of the last tick that ran
  std::string last_line;     // the last line written, without CR LF
  std::string failure;       // LinkLost, WriteFailed: what the link said
  std::string note;          // Finished: what came after the last answer (a hang-up)
  SendAllAnswers answers;
  std::int64_t run_ms = 0;       // from the start to the last tick
  std::int64_t answered_ms = 0;  // from the start to the last answer
  std::int64_t max_late_ms = 0;  // the latest a timed tick came after its deadline
};

// Where a run stands, after each tick.
struct SendAllProgress {
  int step = 0;
  int progress_pos = 0;
  int progress_max = 0;
  int lines_sent = 0;
  int lines_total = 0;
  std::int64_t ms_left = 0;
  std::string last_answer;  // as it came, without CR LF
};

// Where the run reports to: progress after every tick, warnings and the
// final lines. `stream` is stderr in the program; a targets file's child
// writes records for its parent instead (one per line, fields split by tabs).
class SendAllReporter {
 public:
  enum class Style { Plain, Terminal, Records };
  SendAllReporter(std::ostream& stream, bool is_terminal, int model);
  SendAllReporter(std::ostream& stream, Style style, int model);
  void tick(const SendAllProgress& p);
  void message(const std::string& text);  // one line, above the bar
  void done();                            // clears the bar
  // The stream could not be written (a closed pipe): the run ends.
  bool closed() const { return closed_; }

 private:
  void check();
  std::ostream& out_;
  Style style_;
  int model_;
  const char* last_phase_ = nullptr;  // names come from one table
  std::int64_t last_record_ms_ = 0;   // Records: when the last progress went out
  static constexpr std::int64_t kRecordEveryMs = 100;
  bool bar_shown_ = false;
  bool closed_ = false;
};

// `poll` runs after every wake-up (the program prints the link's messages there).
struct SendAllHooks {
  std::function<void()> poll;
};

// Plays `ticks` (send_all_script of `model`'s settings, or part of it) on
// `link` (port open or a direct line attached). Timed: each tick on its
// absolute deadline. Ack: each line as soon as the line before was answered,
// ticks without a line take no time; an error answer stops the run before
// the next line. The no-answer check runs every 500 ms either way, each
// line's limit measured from its write; each answer settles the oldest line
// awaiting one. A line that could not be written, a lost link, a signal or
// a closed output end the run at once. After the last line it waits for the
// outstanding answers (each up to its limit), then one answer's line time
// for an answer no line awaits; lines still waiting then are given up.
// Timed ticks missed while the process was paused are not made up in a burst.
SendAllOutcome run_send_all(Link& link, int model, const std::vector<SendAllScriptTick>& ticks, PaceMode mode,
                            SendAllPace& pace, SendAllReporter& reporter, const SendAllHooks& hooks = {});
// The whole run of `settings` at the timed pace, with the tick periods given.
SendAllOutcome run_send_all_timed(Link& link, const SwitcherSettings& settings, int model, SendAllPace& pace,
                                  SendAllReporter& reporter, const SendAllHooks& hooks = {},
                                  SendAllPeriods periods = {});

// The ticks of NEW (the settings as they are now) whose line differs from OLD's line at the
// same tick; both runs are the same model's, so their ticks pair up.
std::vector<SendAllScriptTick> changed_ticks(const std::vector<SendAllScriptTick>& old_ticks,
                                             const std::vector<SendAllScriptTick>& new_ticks);

int send_all_exit_code(const SendAllOutcome& outcome);
// The lines before the verdict: each refused, unexpected or unanswered answer.
std::vector<std::string> send_all_answer_report(const SendAllOutcome& outcome);
// The one-line verdict, "klvc send-all: ...", saying how far the run got.
std::string send_all_verdict(const SendAllOutcome& outcome, int model, const std::string& device);

// The program's pace: the monotonic clock, woken early by a signal while a
// StopSignals lives, and by wake(). nullptr and *why when the
// descriptor that wakes it cannot be made (too many open files).
std::unique_ptr<SendAllPace> monotonic_send_all_pace(std::string* why);

}  // namespace klvc
