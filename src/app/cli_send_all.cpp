#include "app/cli_send_all.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <mutex>

#include "app/profile.h"
#include "dialogs/channel_title.h"
#include "dialogs/send_all.h"
#include "link/cli_words.h"
#include "link/link.h"
#include "link/link_log.h"
#include "link/messages.h"
#include "settings/settings_file.h"
#include "settings/settings_source.h"
#include "settings/store.h"
#include "sim/simulator.h"

namespace klvc {

// ---------------------------------------------------------------- arguments

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
      if (!parse_model_word(v, &o.model)) {
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
      if (!parse_number(v, 1, kComPortCount, &o.com)) {
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
      if (!parse_number(v, 0, 31, &o.slave)) {
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
         "Each answer settles the oldest line awaiting one. The last line on stderr says\n"
         "how far the run got; --log FILE records every line, answer and pairing.\n"
         "\n"
         "Exit status: 0 every line written and answered \"GO\", and nothing else came;\n"
         "1 an error answer, \"No Connect\", a missing or unexpected answer, a lost link or\n"
         "a line the switcher's flow control held; 2 bad usage, an unreadable file or one\n"
         "with problems; 128 + a signal (130 Ctrl+C, 143 SIGTERM, 129 SIGHUP), 141 the\n"
         "output was closed: each stops after the current line.\n";
}

std::string send_all_brief_usage() {
  return "  klvc send-all [FILE] [options]\n"
         "                              send every setting to the switcher (send-all --help)\n";
}

// ---------------------------------------------------------------- the program

namespace {

std::function<void(Simulator&)> g_simulator_hook;

std::string without_crlf(const std::string& line) {
  std::string s = line;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

// Boxes of the link, queued by any thread and printed by the run between
// ticks. Only boxes that say something the report does not: the answers,
// "No Connect", a lost link and a held write are in the report's own lines,
// and of a failed open only the first cause counts.
class CliSink : public MessageSink {
 public:
  void post_box(BoxRequest request) override { queue(std::move(request)); }
  void show_box(BoxRequest request, std::function<void(BoxResult)> on_close) override {
    const bool yes_no = request.buttons == BoxButtons::YesNo;
    queue(std::move(request));
    if (on_close) on_close(yes_no ? BoxResult::Yes : BoxResult::Ok);
  }
  void drain(SendAllReporter& reporter) {
    std::vector<BoxRequest> boxes;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      boxes.swap(pending_);
    }
    for (const BoxRequest& b : boxes) reporter.message("klvc send-all: " + one_line(b.text));
  }
  // The first reason the port could not be set up.
  std::string setup_failure() {
    std::lock_guard<std::mutex> lock(mutex_);
    return setup_failure_;
  }

 private:
  static std::string one_line(std::string text) {
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
      text.replace(at, 1, " — ");
    }
    return text;
  }
  void queue(BoxRequest request) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (request.origin == BoxOrigin::PortSetup && setup_failure_.empty()) {
      const std::size_t nl = request.text.find('\n');
      setup_failure_ = nl == std::string::npos ? request.text : request.text.substr(nl + 1);
    }
    if (request.origin != BoxOrigin::Other || request.icon == BoxIcon::None) return;
    pending_.push_back(std::move(request));
  }
  std::mutex mutex_;
  std::vector<BoxRequest> pending_;
  std::string setup_failure_;
};

// Model, port and interface: the profile's unless the command line says.
void apply_setup(const SendAllOptions& o) {
  SettingsStore& s = store();
  std::vector<std::string> notes;
  load_profile_into_store(profile_path(), &notes);
  for (const std::string& n : notes) std::cerr << "klvc: profile: " << n << '\n';
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

// Every line on stdout, nothing opened; a closed stdout ends it.
int dry_run() {
  int printed = 0;
  bool closed = false;
  set_direct_line([&](const std::string& bytes) {
    if (closed) return;
    std::cout << without_crlf(bytes) << '\n' << std::flush;
    if (std::cout) ++printed;
    closed = !std::cout;
  });
  abandon_send_all();
  begin_send_all();
  while (!closed) {
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
  if (!closed) return kExitOk;
  std::cerr << "klvc send-all: output closed after " << printed << " lines of the dry run\n";
  return kExitOutputClosed;
}

// The run's signal handling while it lives.
struct SignalsCaught {
  SignalsCaught() { catch_send_all_signals(); }
  ~SignalsCaught() { release_send_all_signals(); }
  SignalsCaught(const SignalsCaught&) = delete;
  SignalsCaught& operator=(const SignalsCaught&) = delete;
};

int timed_run(const SendAllOptions& o) {
  SignalsCaught signals;
  SettingsStore& s = store();
  const int model = std::clamp(s.model_index, 0, kModelCount - 1);
  CliSink sink;
  set_message_sink(&sink);
  SendAllReporter reporter(std::cerr, isatty(STDERR_FILENO) == 1, model);

  std::unique_ptr<SimulatedPort> simulated;
  std::string error;
  if (o.simulate) {
    simulated = std::make_unique<SimulatedPort>(model);
    follow_program_setup(*simulated);
    if (!simulated->start(&error)) {
      set_message_sink(nullptr);
      std::cerr << "klvc send-all: cannot start the simulated switcher: " << error << '\n';
      return kExitFailed;
    }
    set_simulated_device(simulated->slave_path());
  }
  auto finish = [&] {
    stop_link();
    if (simulated) {
      set_simulated_device("");
      simulated->stop();
      if (g_simulator_hook) g_simulator_hook(simulated->simulator());
    }
    sink.drain(reporter);
    set_message_sink(nullptr);
  };

  open_port();
  const std::string device = link_device();
  if (!link_is_open()) {
    const std::string why = sink.setup_failure();
    finish();
    const std::string verdict = "klvc send-all: " + (why.empty() ? "no connection" : why) + "; nothing was sent";
    log_link(LogDirection::Event, verdict);
    std::cerr << verdict << '\n';
    return kExitFailed;
  }
  sink.drain(reporter);
  start_reader();

  SendAllHooks hooks;
  hooks.poll = [&] { sink.drain(reporter); };
  std::unique_ptr<SendAllPace> pace = monotonic_send_all_pace();
  const SendAllOutcome outcome = run_send_all_timed(*pace, reporter, hooks);
  finish();
  for (const std::string& line : send_all_answer_report(outcome)) reporter.message(line);
  const std::string verdict = send_all_verdict(outcome, model, device);
  // Also in the log: it may be the only place left when stderr was closed.
  log_link(LogDirection::Event, verdict);
  reporter.message(verdict);
  return send_all_exit_code(outcome);
}

}  // namespace

void set_send_all_simulator_hook(std::function<void(Simulator&)> hook) {
  g_simulator_hook = std::move(hook);
}

int send_all_main(const std::vector<std::string>& args) {
  SendAllOptions o;
  std::string error;
  if (!parse_send_all_args(args, &o, &error)) return subcommand_usage_error("send-all", error);
  if (o.help) {
    std::cout << send_all_usage();
    return kExitOk;
  }
  apply_setup(o);
  if (const int status = load_settings(o); status != kExitOk) return status;
  if (o.dry_run) {
    // A closed stdout ends the dry run by its EPIPE, with a word on stderr.
    void (*old_pipe)(int) = std::signal(SIGPIPE, SIG_IGN);
    const int status = dry_run();
    std::signal(SIGPIPE, old_pipe);
    return status;
  }
  return timed_run(o);
}

}  // namespace klvc
