// The timed run of `klvc send-all`: the dialog's steps on absolute
// deadlines, the no-answer check every 500 ms, and the truth about every
// line: written in full or not counted, answered by its own answer or not.
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "app/cli_send_all.h"
#include "dialogs/send_all.h"
#include "settings/store.h"

namespace klvc {

namespace {

constexpr int kCheckPeriodMs = 500;
// The answers to the last lines need at most the no-answer limit (seven
// checks); a few more are a backstop, never reached while the link works.
constexpr int kMostWaitChecks = 10;

std::string without_crlf(const std::string& line) {
  std::string s = line;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

// The answers of the run as the link pairs them (reader thread and timer).
class AnswerBook {
 public:
  void record(const AnswerEvent& e) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool notable = true;
    switch (e.kind) {
      case AnswerEvent::Kind::Answer:
        notable = !e.go;
        ++(e.go ? answers_.go : answers_.refused);
        break;
      case AnswerEvent::Kind::Unexpected: ++answers_.unexpected; break;
      case AnswerEvent::Kind::NoAnswer: ++answers_.unanswered; break;
    }
    if (notable && answers_.notable.size() < SendAllAnswers::kKeptNotable) answers_.notable.push_back(e);
  }
  SendAllAnswers snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return answers_;
  }

 private:
  mutable std::mutex mutex_;
  SendAllAnswers answers_;
};

// The observer is the run's for as long as it lasts.
class ObserveAnswers {
 public:
  explicit ObserveAnswers(AnswerBook& book) {
    set_answer_observer([&book](const AnswerEvent& e) { book.record(e); });
  }
  ~ObserveAnswers() { set_answer_observer({}); }
};

// Set by the signal handlers; the run stops after the line it is writing.
volatile sig_atomic_t g_stop_signal = 0;
extern "C" void on_stop_signal(int sig) { g_stop_signal = sig; }

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
    // A signal ends the wait early (EINTR); the caller looks at the flag.
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
  }
  int stop_signal() override { return g_stop_signal; }
};

bool parse_ms(const char* text, int* out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || v < 1 || v > 60000) return false;
  *out = static_cast<int>(v);
  return true;
}

}  // namespace

SendAllPeriods send_all_periods() {
  SendAllPeriods p{kSendAllFastPeriodMs, kSendAllSlowPeriodMs};
  const char* value = std::getenv("KLVC_TEST_SEND_ALL_TICKS");
  if (!value) return p;
  const char* colon = std::strchr(value, ':');
  SendAllPeriods asked = p;
  if (colon && parse_ms(value, &asked.fast_ms) && parse_ms(colon + 1, &asked.slow_ms)) return asked;
  return p;
}

SendAllOutcome run_send_all_timed(SendAllPace& pace, SendAllReporter& reporter, const SendAllHooks& hooks,
                                  SendAllPeriods periods) {
  SendAllOutcome outcome;
  const int model = std::clamp(store().model_index, 0, kModelCount - 1);
  if (!begin_send_all()) {
    outcome.end = SendAllEnd::NotStarted;
    return outcome;
  }
  AnswerBook book;
  ObserveAnswers observe(book);
  auto poll = [&] {
    if (hooks.poll) hooks.poll();
  };
  // A signal, a closed output or a lost link end the run at once.
  auto must_stop = [&] {
    if (const int sig = pace.stop_signal()) {
      outcome.end = SendAllEnd::Interrupted;
      outcome.signal = sig;
    } else if (reporter.closed()) {
      outcome.end = SendAllEnd::OutputClosed;
    } else if (link_state() == LinkState::WaitingForDevice) {
      outcome.end = SendAllEnd::LinkLost;
      outcome.failure = link_lost_reason();
    } else {
      return false;
    }
    return true;
  };

  const std::int64_t start = pace.now_ms();
  std::int64_t next_tick = start + periods.fast_ms;
  std::int64_t next_check = start + kCheckPeriodMs;
  int period = periods.fast_ms;
  bool running = true;
  while (running) {
    if (must_stop()) {
      abandon_send_all();
      break;
    }
    const std::int64_t deadline = std::min(next_tick, next_check);
    pace.wait_until(deadline);
    poll();
    if (pace.stop_signal() || pace.now_ms() < deadline) continue;
    if (next_check < next_tick) {
      no_connect_check();
      next_check += kCheckPeriodMs;
      continue;
    }

    const std::int64_t woke = pace.now_ms();
    outcome.max_late_ms = std::max(outcome.max_late_ms, woke - next_tick);
    const SendAllTick t = run_send_all_step();
    if (!t.ran) {
      outcome.end = SendAllEnd::NotStarted;  // another batch took over; cannot happen here
      break;
    }
    if (t.stopped) {
      outcome.end = book.snapshot().unanswered > 0 ? SendAllEnd::NoConnect : SendAllEnd::StoppedByAnswer;
      break;
    }
    outcome.last_step = t.plan.step;
    if (!t.line.empty()) {
      const SendOutcome sent = last_send_outcome();
      if (!sent.written) {
        // Not written, not counted; the link is lost or held.
        abandon_send_all();
        outcome.failure = sent.failure;
        outcome.end = sent.error == ETIMEDOUT ? SendAllEnd::WriteFailed : SendAllEnd::LinkLost;
        if (outcome.end == SendAllEnd::LinkLost && link_state() == LinkState::WaitingForDevice) {
          outcome.failure = link_lost_reason();
        }
        break;
      }
      ++outcome.lines_sent;
      outcome.last_line = without_crlf(t.line);
    }
    if (!t.warning.empty()) {
      ++outcome.warnings;
      const std::string what = t.plan.action == SendAllAction::ChannelTitle
                                   ? "channel " + std::to_string(t.plan.index + 1) + " title"
                                   : std::string("panel password");
      reporter.message("klvc send-all: warning: " + what + " not sent: " + t.warning);
    }
    outcome.run_ms = woke - start;
    if (t.slow_down) period = periods.slow_ms;
    next_tick += period;
    if (t.finished) running = false;
    reporter.tick(t.plan.step, t.progress_pos, t.progress_max, outcome.lines_sent,
                  send_all_remaining(send_all_cursor(), model).scheduled_ms());
  }

  // Every line is out: each answer still awaited gets up to the no-answer
  // limit; then one whole check period passes with nothing awaited, so an
  // answer that no line awaits (a doubled one) is still heard.
  if (!running) {
    int checks = 0;
    int quiet_checks = 0;
    while (quiet_checks < 2 && checks < kMostWaitChecks) {
      if (must_stop()) break;
      pace.wait_until(next_check);
      poll();
      if (pace.stop_signal() || pace.now_ms() < next_check) continue;
      no_connect_check();
      next_check += kCheckPeriodMs;
      ++checks;
      quiet_checks = answers_awaited() ? 0 : quiet_checks + 1;
    }
  }
  reporter.done();
  poll();
  outcome.answers = book.snapshot();
  return outcome;
}

std::unique_ptr<SendAllPace> monotonic_send_all_pace() { return std::make_unique<MonotonicPace>(); }

namespace {
constexpr int kCaughtSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
struct sigaction g_old_actions[4];
}  // namespace

void catch_send_all_signals() {
  g_stop_signal = 0;
  struct sigaction stop {};
  stop.sa_handler = on_stop_signal;
  sigemptyset(&stop.sa_mask);
  stop.sa_flags = 0;  // no SA_RESTART: the sleep must wake up
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (int i = 0; i < 4; ++i) {
    sigaction(kCaughtSignals[i], kCaughtSignals[i] == SIGPIPE ? &ignore : &stop, &g_old_actions[i]);
  }
}

void release_send_all_signals() {
  for (int i = 0; i < 4; ++i) sigaction(kCaughtSignals[i], &g_old_actions[i], nullptr);
}

}  // namespace klvc
