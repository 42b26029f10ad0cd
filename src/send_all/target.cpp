#include "send_all/target.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <mutex>
#include <sstream>

#include "cli/log_file.h"
#include "cli/stop_signals.h"
#include "common/text.h"
#include "commands/title_commands.h"
#include "link/link_log.h"
#include "link/messages.h"
#include "link/protocol.h"
#include "settings/settings_source.h"
#include "settings/store.h"  // SwitcherSettings, model_name
#include "sim/simulator.h"

namespace klvc {

namespace {

// Boxes of the link, queued by any thread and printed by the run between
// ticks. Only boxes that say something the report does not: the answers,
// "No Connect", a lost link and a held write are in the report's own lines,
// and of a failed open only the first cause counts.
class CliSink : public MessageSink {
 public:
  CliSink() { set_message_sink(this); }
  ~CliSink() override { set_message_sink(nullptr); }
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


// The settings of `path` (on `base`) into `s`; false after saying why.
bool load(SwitcherSettings& s, const std::string& path, const SendAllTarget& t, std::ostream& err) {
  SourceLoad loaded;
  const bool ok = load_settings_source(s, t.model, path, t.base, title_problem, &loaded);
  for (const auto* lines : {&loaded.notes, &loaded.mended, &loaded.errors}) {
    for (const std::string& l : *lines) err << shown(l) << '\n';
  }
  if (!ok) return false;
  if (!loaded.mended.empty() && !t.force) {
    err << "klvc send-all: " << shown(is_settings_file_name(path) ? path : t.base)
        << " has problems (above); nothing was sent. Correct the file, or add --force to "
           "send it with the values mended as reported.\n";
    return false;
  }
  return true;
}

// Before the next switcher on the bus: answers still on their way settle
// their own lines, not the next switcher's.
void settle_outstanding(Link& link, SendAllPace& pace) {
  constexpr int kCheckMs = 500;
  constexpr int kMostChecks = 8;  // past the no-answer limit
  for (int i = 0; i < kMostChecks && link.answers_awaited() && !pace.stop_signal(); ++i) {
    pace.wait_until(pace.now_ms() + kCheckMs);
    link.no_connect_check();
  }
  link.status().end_batch();
}

// What the link of `t` opens, and how it addresses the switcher.
LinkSetup link_setup(const SendAllTarget& t) {
  LinkSetup setup;
  setup.device = t.device;
  setup.com_index = t.com;
  setup.interface_mode = t.interface_mode;
  setup.slave_number = t.slave;
  setup.named_by_operator = t.device_named;
  return setup;
}

// One target on the open link: the run, the answers and the verdict.
SendAllOutcome play(Link& link, const SendAllTarget& t, const std::vector<SendAllScriptTick>& ticks,
                    SendAllPace& pace, SendAllReporter& reporter, CliSink& sink, const std::string& device) {
  SendAllHooks hooks;
  hooks.poll = [&] { sink.drain(reporter); };
  const SendAllOutcome outcome = run_send_all(link, t.model, ticks, t.pace, pace, reporter, hooks);
  sink.drain(reporter);
  for (const std::string& line : send_all_answer_report(outcome)) reporter.message(line);
  const std::string verdict = send_all_verdict(outcome, t.model, device);
  // Also in the log: it may be the only place left when stderr was closed.
  log_link(LogDirection::Event, verdict);
  reporter.message(verdict);
  return outcome;
}

// The record of what the switcher holds: kept after a run whose every line
// was answered GO, dropped otherwise. A stale record that stays is a failure.
int settle_record(const SendAllTarget& t, const SwitcherSettings& s, const SendAllOutcome& o, int status,
                  const std::function<void(const std::string&)>& say) {
  bool unsafe = false;
  const std::string message = settle_sent_record(t, s, o.end == SendAllEnd::Finished && status == kExitOk, &unsafe);
  if (!message.empty()) say(message);
  return unsafe ? std::max(status, kExitFailed) : status;
}

// Before the first line goes out the record goes, so that a run that
// crashes or is killed leaves none behind; false (said) when it stays.
bool forget_record(const SendAllTarget& t, const std::function<void(const std::string&)>& say) {
  bool unsafe = false;
  const std::string message = settle_sent_record(t, SwitcherSettings(), false, &unsafe);
  if (unsafe) say(message + "; nothing was sent");
  return !unsafe;
}

std::string json_string(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += {'\\', static_cast<char>(c)};
    } else if (c < 0x20 || c == 0x7f) {
      static const char kHex[] = "0123456789abcdef";
      out += {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace

void print_run_summary(bool dry_run, int status, int lines_planned, int lines_sent, const std::string& verdict) {
  std::cout << "{\"summary\":\"send-all\",\"dry_run\":" << (dry_run ? "true" : "false") << ",\"status\":" << status
            << ",\"lines_planned\":" << lines_planned << ",\"lines_sent\":" << lines_sent
            << ",\"verdict\":" << json_string(verdict) << "}\n"
            << std::flush;
}

int prepare_target(const SendAllTarget& t, SwitcherSettings& s, std::ostream& err,
                   std::vector<SendAllScriptTick>* ticks) {
  std::vector<SendAllScriptTick> old_ticks;
  std::string changed_from = t.changed_from;
  if (t.changed) {
    std::string note;
    changed_from = sent_record_for_changes(t.sent, t.model, &note);
    if (!note.empty()) err << "klvc send-all: " << note << '\n';
  }
  if (!changed_from.empty()) {
    if (!load(s, changed_from, t, err)) return kExitUsage;
    old_ticks = send_all_script(s, t.model);
  }
  if (!load(s, t.file, t, err)) return kExitUsage;
  *ticks = send_all_script(s, t.model);
  if (!changed_from.empty()) *ticks = changed_ticks(old_ticks, *ticks);
  apply_send_all_periods(*ticks, t.periods);
  return kExitOk;
}

int print_ticks(const SendAllTarget& target, const std::vector<SendAllScriptTick>& ticks) {
  // A closed stdout ends the dry run by its EPIPE, with a word on stderr.
  void (*old_pipe)(int) = std::signal(SIGPIPE, SIG_IGN);
  int printed = 0;
  for (const SendAllScriptTick& t : ticks) {
    if (!t.warning.empty()) {
      std::cerr << "klvc send-all: warning: "
                << (t.plan.action == SendAllAction::ChannelTitle ? "channel " + std::to_string(t.plan.index + 1) + " title"
                                                                 : std::string("panel password"))
                << " would not be sent: " << shown(t.warning) << '\n';
    }
    if (t.line.empty()) continue;
    std::cout << shown(without_line_ends(frame_command(t.line.c_str(), target.interface_mode, target.slave))) << '\n'
              << std::flush;
    if (!std::cout) break;
    ++printed;
  }
  std::signal(SIGPIPE, old_pipe);
  if (std::cout) return kExitOk;
  std::cerr << "klvc send-all: output closed after " << printed << (printed == 1 ? " line" : " lines")
            << " of the dry run\n";
  return kExitOutputClosed;
}

int run_single_target(const SendAllTarget& t, const SwitcherSettings& settings,
                      const std::vector<SendAllScriptTick>& ticks, bool simulate,
                      const std::function<void(Simulator&)>& after_simulation) {
  StopSignals signals(true);  // the run stops after the line it is writing
  CliSink sink;
  SendAllReporter reporter(std::cerr, isatty(STDERR_FILENO) == 1, t.model);
  Link link;
  LinkSetup setup = link_setup(t);

  std::unique_ptr<SimulatedPort> simulated;
  std::string error;
  if (simulate) {
    simulated = std::make_unique<SimulatedPort>(t.model);
    follow_program_setup(*simulated, t.model, t.interface_mode != 0, t.slave);
    for (const auto& [nth, answer] : t.faults) simulated->simulator().fail_command(nth, answer + "\r\n");
    if (!simulated->start(&error)) {
      std::cerr << "klvc send-all: cannot start the simulated switcher: " << shown(error) << '\n';
      return kExitFailed;
    }
    setup.device = simulated->slave_path();
  }
  auto finish = [&] {
    link.stop();
    if (simulated) {
      simulated->stop();
      if (after_simulation) after_simulation(simulated->simulator());
    }
    sink.drain(reporter);
  };

  if (!forget_record(t, [](const std::string& m) { std::cerr << shown(m) << '\n'; })) {
    finish();
    return kExitFailed;
  }
  std::string no_pace;
  std::unique_ptr<SendAllPace> pace = monotonic_send_all_pace(&no_pace);
  if (pace) link.open(setup);
  const std::string device = link.device();
  if (link.is_open()) link.start_reader();
  if (!link.is_open()) {
    const std::string why = pace ? sink.setup_failure() : no_pace;
    finish();
    const std::string verdict = "klvc send-all: " + (why.empty() ? "no connection" : why) + "; nothing was sent";
    log_link(LogDirection::Event, verdict);
    std::cerr << shown(verdict) << '\n';
    if (t.summary) print_run_summary(false, kExitFailed, 0, 0, verdict);
    return kExitFailed;
  }
  sink.drain(reporter);
  const SendAllOutcome outcome = play(link, t, ticks, *pace, reporter, sink, device);
  finish();
  const int status = settle_record(t, settings, outcome, send_all_exit_code(outcome),
                                   [](const std::string& m) { std::cerr << shown(m) << '\n'; });
  if (t.summary) {
    print_run_summary(false, status, outcome.lines_planned, outcome.lines_sent,
                      send_all_verdict(outcome, t.model, device));
  }
  return status;
}

int run_targets_on_port(const std::vector<SendAllTarget>& targets, std::ostream& records, LinkLogFile* log) {
  auto tag = [log](const std::string& text) {
    if (log) log->set_tag(text);
  };
  StopSignals signals(true);  // the run stops after the line it is writing
  CliSink sink;
  std::string no_pace;
  std::unique_ptr<SendAllPace> pace = monotonic_send_all_pace(&no_pace);
  auto done = [&](const SendAllTarget& t, int status, const SendAllOutcome& o, const std::string& verdict) {
    // The time is the switcher's: until its last answer.
    records << "done\t" << t.name << '\t' << status << '\t' << o.lines_sent << '\t' << o.lines_planned << '\t'
            << (o.answered_ms > 0 ? o.answered_ms : o.run_ms) << '\t' << verdict << '\n'
            << std::flush;
    return status;
  };
  // The port's own events belong to every switcher on it.
  std::string names;
  for (const SendAllTarget& t : targets) names += (names.empty() ? "" : ",") + t.name;
  tag("[" + names + "] ");
  Link link;
  if (pace && !targets.empty()) link.open(link_setup(targets.front()));
  const std::string device = link.device();
  int worst = kExitOk;
  if (link.is_open()) link.start_reader();
  if (!link.is_open()) {
    const std::string why = pace ? sink.setup_failure() : no_pace;
    link.stop();
    const std::string verdict = "klvc send-all: " + (why.empty() ? "no connection" : why) + "; nothing was sent";
    log_link(LogDirection::Event, verdict);
    tag("");
    for (const SendAllTarget& t : targets) {
      records << "target\t" << t.name << "\nmessage\t" << verdict << '\n';
      settle_record(t, SwitcherSettings(), {}, kExitFailed, [&](const std::string& m) { records << "message\t" << m << '\n'; });
      done(t, kExitFailed, {}, verdict);
    }
    return kExitFailed;
  }
  for (const SendAllTarget& t : targets) {
    SendAllOutcome outcome;
    if (const int sig = pace->stop_signal()) {
      outcome.end = SendAllEnd::Interrupted;
      outcome.signal = sig;
      worst = std::max(worst, done(t, send_all_exit_code(outcome), outcome,
                                   "klvc send-all: not started: the run was stopped before its turn"));
      continue;
    }
    records << "target\t" << t.name << '\n' << std::flush;
    tag("[" + t.name + "] ");
    SendAllReporter reporter(records, SendAllReporter::Style::Records, t.model);
    std::ostringstream err;
    std::vector<SendAllScriptTick> ticks;
    SwitcherSettings settings;  // this switcher's, loaded from its file
    const int status = prepare_target(t, settings, err, &ticks);
    std::istringstream lines(err.str());
    std::string why;
    for (std::string line; std::getline(lines, line);) {
      reporter.message(line);
      if (!line.empty()) why = line;
    }
    if (status != kExitOk) {
      if (why.find("nothing was sent") == std::string::npos) why += "; nothing was sent";
      log_link(LogDirection::Event, why);
      worst = std::max(worst, done(t, status, outcome, why));
      continue;
    }
    if (!forget_record(t, [&](const std::string& m) { why = m; })) {
      worst = std::max(worst, done(t, kExitFailed, outcome, why));
      continue;
    }
    link.set_address(t.interface_mode, t.slave);
    link.restart_line_numbers();  // each unit's lines count from 1 in the log and its report
    outcome = play(link, t, ticks, *pace, reporter, sink, device);
    const int code = settle_record(t, settings, outcome, send_all_exit_code(outcome),
                                   [&](const std::string& m) { reporter.message(m); });
    worst = std::max(worst, done(t, code, outcome, send_all_verdict(outcome, t.model, device)));
    if (reporter.closed()) break;  // the parent is gone
    settle_outstanding(link, *pace);
  }
  tag("");
  link.stop();
  return worst;
}

}  // namespace klvc
