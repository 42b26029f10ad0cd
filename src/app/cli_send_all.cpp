#include "app/cli_send_all.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <sstream>

#include "app/profile.h"
#include "dialogs/channel_title.h"
#include "dialogs/send_all.h"
#include "link/link.h"
#include "link/messages.h"
#include "settings/settings_file.h"
#include "settings/settings_source.h"
#include "settings/store.h"
#include "sim/simulator.h"

namespace klvc {

// ---------------------------------------------------------------- arguments

namespace {

bool parse_int(const std::string& text, int lo, int hi, int* value) {
  if (text.empty() || text.size() > 6) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < lo || v > hi) return false;
  *value = v;
  return true;
}

// "A".."E", also written "KLV-A" or in lower case.
bool parse_model(std::string text, int* model) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (text.rfind("KLV-", 0) == 0) text.erase(0, 4);
  if (text.size() != 1 || text[0] < 'A' || text[0] > 'E') return false;
  *model = text[0] - 'A';
  return true;
}

}  // namespace

bool parse_send_all_args(const std::vector<std::string>& args, SendAllOptions* options,
                         std::string* error) {
  SendAllOptions o;
  int port_choices = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) {
        *error = a + " needs a value";
        return false;
      }
      *out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--model") {
      if (!value(&v)) return false;
      if (!parse_model(v, &o.model)) {
        *error = "unknown model '" + v + "' (use A, B, C, D or E)";
        return false;
      }
    } else if (a == "--port") {
      if (!value(&o.port)) return false;
      if (o.port.empty()) {
        *error = "--port needs a device path";
        return false;
      }
      ++port_choices;
    } else if (a == "--com") {
      if (!value(&v)) return false;
      if (!parse_int(v, 1, kComPortCount, &o.com)) {
        *error = "--com takes 1 to " + std::to_string(kComPortCount) + ", not '" + v + "'";
        return false;
      }
      o.com -= 1;
      ++port_choices;
    } else if (a == "--simulate") {
      o.simulate = true;
      ++port_choices;
    } else if (a == "--rs485") {
      o.rs485 = true;
    } else if (a == "--slave") {
      if (!value(&v)) return false;
      if (!parse_int(v, 0, 31, &o.slave)) {
        *error = "--slave takes 0 to 31, not '" + v + "'";
        return false;
      }
    } else if (a == "--base") {
      if (!value(&o.base)) return false;
    } else if (a == "--dry-run") {
      o.dry_run = true;
    } else if (a == "--force") {
      o.force = true;
    } else if (a.size() > 1 && a[0] == '-') {
      *error = "unknown option '" + a + "'";
      return false;
    } else if (o.file.empty()) {
      o.file = a;
    } else {
      *error = "one settings file only ('" + o.file + "' and '" + a + "')";
      return false;
    }
  }
  if (port_choices > 1) {
    *error = "choose one of --port, --com and --simulate";
    return false;
  }
  if (o.slave >= 0 && !o.rs485) {
    *error = "--slave needs --rs485";
    return false;
  }
  *options = std::move(o);
  return true;
}

std::string send_all_usage() {
  return "Usage: klvc send-all [FILE] [--base BASE.dat] [--model A..E]\n"
         "                     [--port DEV | --com N | --simulate] [--rs485 --slave N]\n"
         "                     [--dry-run] [--force]\n"
         "\n"
         "Sends every setting of FILE (the defaults without a file) to the switcher,\n"
         "with the same steps and timing as 設定 > 全項目設定 (KLV-A takes about 91 s).\n"
         "FILE is a settings file (*.dat), or the settings text or titles CSV of\n"
         "'klvc file export', applied on top of BASE.dat or the defaults.\n"
         "\n"
         "  --model A..E   the switcher model (default: the profile's, KLV-A without one)\n"
         "  --port DEV     the serial device, e.g. /dev/ttyUSB0\n"
         "  --com N        COM1..COM6 as mapped in the profile (default: the profile's port)\n"
         "  --simulate     talk to the built-in simulated switcher\n"
         "  --rs485        RS-485 framing (default: the profile's interface)\n"
         "  --slave N      RS-485 unit address 0..31 (default 0)\n"
         "  --base FILE    the settings file under a text or CSV (default: the defaults)\n"
         "  --dry-run      open no port; print every line the run would write\n"
         "  --force        send a file even when reading it reported problems\n"
         "\n"
         "Exit status: 0 every line answered \"GO\"; 1 an error answer, \"No Connect\" or a\n"
         "missing answer; 2 bad usage, an unreadable file or one with problems; 130\n"
         "interrupted (Ctrl+C stops after the current line).\n";
}

std::string send_all_brief_usage() {
  return "  klvc send-all [FILE] [options]\n"
         "                              send every setting to the switcher (send-all --help)\n";
}

// ---------------------------------------------------------------- reporter

namespace {

const char* phase_name(SendAllAction action) {
  switch (action) {
    case SendAllAction::BuzzerOutput:
    case SendAllAction::AlarmHoldTime:
    case SendAllAction::MemoryNumberDisplay:
    case SendAllAction::AlarmPolarity:
    case SendAllAction::AlarmReturn: return "alarm settings";
    case SendAllAction::PasswordMenu:
    case SendAllAction::PasswordOperation:
    case SendAllAction::PanelPassword: return "password settings";
    case SendAllAction::AlarmInputTerminal: return "alarm input terminals";
    case SendAllAction::AlarmOutput: return "alarm output terminals";
    case SendAllAction::SequenceLive: return "auto sequence skip/live";
    case SendAllAction::DwellTime: return "auto sequence dwell times";
    case SendAllAction::DatetimeDisplay: return "date/time display";
    case SendAllAction::OutputRoute: return "output routes";
    case SendAllAction::InputTitleDisplay: return "input title display";
    case SendAllAction::OutputTitleDisplay: return "output title display";
    case SendAllAction::SlowDown:
    case SendAllAction::None: return "pause before the titles";
    case SendAllAction::ChannelTitle: return "channel titles";
  }
  return "";
}

std::string minutes_seconds(std::int64_t ms) {
  const std::int64_t s = (std::max<std::int64_t>(ms, 0) + 999) / 1000;
  std::ostringstream out;
  out << s / 60 << ':' << (s % 60 < 10 ? "0" : "") << s % 60;
  return out.str();
}

std::string without_crlf(const std::string& line) {
  std::string s = line;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

}  // namespace

SendAllReporter::SendAllReporter(std::ostream& stream, bool is_terminal, int model)
    : out_(stream), terminal_(is_terminal), model_(model) {}

void SendAllReporter::tick(int step, int progress_pos, int progress_max, const SendAllTally& tally,
                           std::int64_t ms_left) {
  const int last_step = send_all_last_step(model_);
  const int commands = send_all_totals(model_).commands;
  SendAllCursor at;
  at.step = step;
  const char* phase = phase_name(plan_send_all_tick(at, model_).action);
  if (terminal_) {
    constexpr int kWidth = 30;
    const int filled = progress_max > 0 ? progress_pos * kWidth / progress_max : 0;
    out_ << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] step "
         << step << '/' << last_step << "  lines " << tally.lines_sent << '/' << commands << "  "
         << minutes_seconds(ms_left) << " left  " << phase << "\033[K" << std::flush;
    bar_shown_ = true;
    return;
  }
  // Without a terminal: one line as each group of settings begins.
  if (phase == last_phase_) return;
  last_phase_ = phase;
  out_ << "send-all: step " << step << '/' << last_step << ", " << phase << ", " << tally.lines_sent
       << '/' << commands << " lines sent, " << minutes_seconds(ms_left) << " left" << std::endl;
}

void SendAllReporter::message(const std::string& text) {
  if (bar_shown_) out_ << "\r\033[K";
  bar_shown_ = false;
  out_ << text << std::endl;
}

void SendAllReporter::done() {
  if (bar_shown_) out_ << "\r\033[K" << std::flush;
  bar_shown_ = false;
}

// ---------------------------------------------------------------- the timed run

namespace {

// The seventh no-answer check after the last line gives up waiting, as the
// link's own no-answer report does.
constexpr int kAnswerWaitChecks = 7;
constexpr int kCheckPeriodMs = 500;

}  // namespace

SendAllOutcome run_send_all_timed(SendAllPace& pace, SendAllReporter& reporter,
                                  const SendAllHooks& hooks) {
  SendAllOutcome outcome;
  const int model = std::clamp(store().model_index, 0, kModelCount - 1);
  if (!begin_send_all()) {
    reporter.message("klvc: a batch is already running");
    outcome.stopped = true;
    return outcome;
  }
  auto snapshot = [&] {
    if (hooks.poll) hooks.poll();
    SendAllTally t = hooks.tally ? hooks.tally() : SendAllTally{};
    t.lines_sent = outcome.tally.lines_sent;
    return t;
  };

  const std::int64_t start = pace.now_ms();
  std::int64_t next_tick = start + kSendAllFastPeriodMs;
  std::int64_t next_check = start + kCheckPeriodMs;
  int period = kSendAllFastPeriodMs;
  bool running = true;
  while (running) {
    if (pace.interrupted()) {
      abandon_send_all();
      outcome.interrupted = true;
      break;
    }
    const std::int64_t deadline = std::min(next_tick, next_check);
    pace.wait_until(deadline);
    if (pace.interrupted() || pace.now_ms() < deadline) continue;
    if (next_check < next_tick) {
      no_connect_check();
      next_check += kCheckPeriodMs;
      continue;
    }

    const std::int64_t woke = pace.now_ms();
    outcome.max_late_ms = std::max(outcome.max_late_ms, woke - next_tick);
    const SendAllTick t = run_send_all_step();
    if (!t.ran) break;
    if (t.stopped) {
      outcome.stopped = true;
      break;
    }
    outcome.last_step = t.plan.step;
    if (!t.line.empty()) {
      ++outcome.tally.lines_sent;
      outcome.last_line = without_crlf(t.line);
    }
    if (!t.warning.empty()) {
      ++outcome.warnings;
      const std::string what = t.plan.action == SendAllAction::ChannelTitle
                                   ? "channel " + std::to_string(t.plan.index + 1) + " title"
                                   : std::string("panel password");
      reporter.message("warning: " + what + " not sent: " + t.warning);
    }
    outcome.run_ms = woke - start;
    if (t.slow_down) period = kSendAllSlowPeriodMs;
    next_tick += period;
    if (t.finished) {
      outcome.finished = true;
      running = false;
    }
    reporter.tick(t.plan.step, t.progress_pos, t.progress_max, snapshot(),
                  send_all_remaining(send_all_cursor(), model).scheduled_ms());
  }

  // The run never waits for answers; the exit status does.
  int checks = 0;
  while (!outcome.interrupted) {
    const SendAllTally now = snapshot();
    if (now.answers >= now.lines_sent || now.no_connects > 0) break;
    if (checks >= kAnswerWaitChecks) {
      outcome.unanswered = true;
      break;
    }
    pace.wait_until(next_check);
    if (pace.interrupted()) {
      outcome.interrupted = true;
      break;
    }
    if (pace.now_ms() < next_check) continue;
    no_connect_check();
    next_check += kCheckPeriodMs;
    ++checks;
  }
  reporter.done();
  outcome.tally = snapshot();
  return outcome;
}

int send_all_exit_code(const SendAllOutcome& o) {
  if (o.interrupted) return kExitInterrupted;
  const SendAllTally& t = o.tally;
  const bool all_go = o.finished && !o.unanswered && t.error_answers == 0 && t.no_connects == 0 &&
                      t.go_answers == t.lines_sent;
  return all_go ? kExitOk : kExitFailed;
}

// ---------------------------------------------------------------- the program

namespace {

// Ctrl+C only raises a flag; the run stops after the line it is writing.
volatile sig_atomic_t g_interrupted = 0;
extern "C" void on_interrupt(int) { g_interrupted = 1; }

class MonotonicPace : public SendAllPace {
 public:
  std::int64_t now_ms() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
  }
  void wait_until(std::int64_t deadline_ms) override {
    timespec at{};
    at.tv_sec = static_cast<time_t>(deadline_ms / 1000);
    at.tv_nsec = static_cast<long>(deadline_ms % 1000) * 1000000;
    // EINTR (Ctrl+C) ends the wait early; the caller looks at the flag.
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
  }
  bool interrupted() override { return g_interrupted != 0; }
};

class InterruptGuard {
 public:
  InterruptGuard() {
    g_interrupted = 0;
    struct sigaction sa {};
    sa.sa_handler = on_interrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: the sleep must wake up
    sigaction(SIGINT, &sa, &old_);
  }
  ~InterruptGuard() { sigaction(SIGINT, &old_, nullptr); }

 private:
  struct sigaction old_ {};
};

// Boxes of the link become lines on stderr, printed by the run between
// ticks (the reader thread only queues them). The success box is left out:
// the exit status says it.
class CliSink : public MessageSink {
 public:
  void post_box(BoxRequest request) override { queue(std::move(request)); }
  void show_box(BoxRequest request, std::function<void(int)> on_close) override {
    queue(std::move(request));
    if (on_close) on_close(request.buttons == BoxButtons::YesNo ? kIdYes : kIdOk);
  }
  void drain(SendAllReporter& reporter) {
    std::vector<BoxRequest> boxes;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      boxes.swap(pending_);
    }
    for (const BoxRequest& b : boxes) reporter.message(b.caption + ": " + b.text);
  }
  int no_connects() const { return no_connects_.load(); }

 private:
  void queue(BoxRequest request) {
    if (request.icon == BoxIcon::None) return;
    if (request.text == "No Connect") ++no_connects_;
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back(std::move(request));
  }
  std::mutex mutex_;
  std::vector<BoxRequest> pending_;
  std::atomic<int> no_connects_{0};
};

}  // namespace

// ---------------------------------------------------------------- entry

namespace {

std::function<void(Simulator&)> g_simulator_hook;

// Counts what comes back for the lines of the run (reader thread).
struct AnswerCount {
  std::atomic<int> answers{0};
  std::atomic<int> go{0};
};

void print_profile_notes(const std::vector<std::string>& notes) {
  for (const std::string& n : notes) std::cerr << "klvc: profile: " << n << '\n';
}

// Model, port and interface: the profile's unless the command line says.
void apply_setup(const SendAllOptions& o) {
  SettingsStore& s = store();
  std::vector<std::string> notes;
  load_profile_into_store(profile_path(), &notes);
  print_profile_notes(notes);
  if (o.model >= 0) s.model_index = o.model;
  if (o.com >= 0) s.com_port_index = o.com;
  if (!o.port.empty()) set_port_device(s.com_port_index, o.port);
  if (o.rs485) s.interface_mode = 1;
  s.slave_number = o.slave >= 0 ? o.slave : 0;
}

// The settings to send: the file's, or the defaults. 0 to go on, else the
// exit status.
int load_settings(const SendAllOptions& o) {
  SourceLoad loaded;
  const bool ok = load_settings_source(o.file, o.base, title_problem, &loaded);
  for (const auto* lines : {&loaded.notes, &loaded.mended, &loaded.errors}) {
    for (const std::string& l : *lines) std::cerr << l << '\n';
  }
  if (!ok) return kExitUsage;
  if (!loaded.mended.empty() && !o.force) {
    std::cerr << "klvc send-all: " << (is_settings_file_name(o.file) ? o.file : o.base)
              << " has problems (above); nothing was sent. Correct the file, or add --force to "
                 "send it with the values mended as reported.\n";
    return kExitUsage;
  }
  return kExitOk;
}

int dry_run() {
  set_direct_line([](const std::string& bytes) { std::cout << without_crlf(bytes) << '\n'; });
  abandon_send_all();
  begin_send_all();
  for (;;) {
    const SendAllTick t = run_send_all_step();
    if (!t.warning.empty()) {
      std::cerr << "klvc send-all: warning: "
                << (t.plan.action == SendAllAction::ChannelTitle
                        ? "channel " + std::to_string(t.plan.index + 1) + " title"
                        : std::string("panel password"))
                << " would not be sent: " << t.warning << '\n';
    }
    if (!t.ran || t.stopped || t.finished) break;
  }
  abandon_send_all();
  set_direct_line({});
  std::cout << std::flush;
  return kExitOk;
}

void print_summary(const SendAllOutcome& o, int model) {
  const SendAllTally& t = o.tally;
  const int last_step = send_all_last_step(model);
  const std::string last = o.last_line.empty() ? "none" : o.last_line;
  if (o.interrupted) {
    std::cerr << "klvc send-all: interrupted at step " << o.last_step << " of " << last_step
              << " after " << t.lines_sent << " lines; last line sent: " << last << '\n';
    return;
  }
  if (o.stopped) {
    std::cerr << "klvc send-all: stopped at step " << o.last_step << " of " << last_step
              << " by the switcher's answer above, after " << t.lines_sent
              << " lines; last line sent: " << last << '\n';
    return;
  }
  if (t.no_connects > 0) {
    std::cerr << "klvc send-all: the switcher did not answer (No Connect) on " << link_device()
              << "; check the cable, the port and the switcher's power and address\n";
  }
  if (o.unanswered) {
    std::cerr << "klvc send-all: " << t.lines_sent - t.answers << " of " << t.lines_sent
              << " lines got no answer\n";
  }
  if (send_all_exit_code(o) == kExitOk) {
    std::cerr << "klvc send-all: " << t.lines_sent << " lines sent to " << model_name(model)
              << ", every one answered GO";
    if (o.warnings > 0) std::cerr << " (" << o.warnings << " settings could not be sent, above)";
    std::cerr << '\n';
  } else if (t.error_answers > 0) {
    std::cerr << "klvc send-all: " << t.error_answers << " of " << t.lines_sent
              << " lines were refused (above)\n";
  }
}

int timed_run(const SendAllOptions& o) {
  SettingsStore& s = store();
  const int model = std::clamp(s.model_index, 0, kModelCount - 1);
  CliSink sink;
  set_message_sink(&sink);
  SendAllReporter reporter(std::cerr, isatty(STDERR_FILENO) == 1, model);

  std::unique_ptr<SimulatedPort> simulated;
  std::string error;
  if (o.simulate) {
    simulated = std::make_unique<SimulatedPort>(model);
    if (!simulated->start(&error)) {
      set_message_sink(nullptr);
      std::cerr << "klvc send-all: cannot start the simulated switcher: " << error << '\n';
      return kExitFailed;
    }
    set_simulated_device(simulated->slave_path());
  }
  auto finish = [&] {
    stop_link();
    set_answer_observer({});
    if (simulated) {
      set_simulated_device("");
      simulated->stop();
      if (g_simulator_hook) g_simulator_hook(simulated->simulator());
    }
    sink.drain(reporter);
    set_message_sink(nullptr);
  };

  AnswerCount count;
  set_answer_observer([&count](bool go) {
    ++count.answers;
    if (go) ++count.go;
  });
  open_port();
  sink.drain(reporter);
  if (!link_is_open()) {
    const std::string device = port_device(s.com_port_index);
    finish();
    std::cerr << "klvc send-all: no connection to " << (o.simulate ? "the simulator" : device)
              << " (see above); nothing was sent\n";
    return kExitFailed;
  }
  start_reader();

  SendAllHooks hooks;
  hooks.poll = [&] { sink.drain(reporter); };
  hooks.tally = [&] {
    SendAllTally t;
    t.answers = count.answers;
    t.go_answers = count.go;
    t.error_answers = t.answers - t.go_answers;
    t.no_connects = sink.no_connects();
    return t;
  };
  MonotonicPace pace;
  SendAllOutcome outcome;
  {
    InterruptGuard guard;
    outcome = run_send_all_timed(pace, reporter, hooks);
  }
  finish();
  const int lines = outcome.tally.lines_sent;
  outcome.tally = hooks.tally();
  outcome.tally.lines_sent = lines;
  print_summary(outcome, model);
  return send_all_exit_code(outcome);
}

}  // namespace

std::unique_ptr<SendAllPace> monotonic_send_all_pace() {
  return std::make_unique<MonotonicPace>();
}

void set_send_all_simulator_hook(std::function<void(Simulator&)> hook) {
  g_simulator_hook = std::move(hook);
}

int send_all_main(const std::vector<std::string>& args) {
  SendAllOptions o;
  std::string error;
  if (!parse_send_all_args(args, &o, &error)) {
    std::cerr << "klvc: send-all: " << error << "\nRun 'klvc --help'.\n";
    return kExitUsage;
  }
  if (o.help) {
    std::cout << send_all_usage();
    return kExitOk;
  }
  apply_setup(o);
  if (const int status = load_settings(o); status != kExitOk) return status;
  if (o.dry_run) return dry_run();
  return timed_run(o);
}

}  // namespace klvc
