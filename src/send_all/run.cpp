// The run of `klvc send-all`: the dialog's ticks on absolute deadlines, or
// each line as soon as the one before was answered; the no-answer check every
// 500 ms; and the truth about every line: written in full or not counted,
// answered by its own answer or not.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "send_all/send_all.h"
#include "common/text.h"
#include "link/link_status.h"
#include "link/protocol.h"
#include "settings/store.h"

namespace klvc {

namespace {

constexpr int kCheckPeriodMs = 500;
// The answers to the last lines need at most the no-answer limit (seven
// checks); a few more are a backstop, never reached while the link works.
constexpr int kMostWaitChecks = 10;
// The line-rate estimate of time left in an acknowledged run: 11/9600 s a
// character, the answer "GO" CR LF (behind the address on RS-485).
constexpr std::int64_t kCharNs = 11LL * 1000000000 / 9600;
constexpr std::size_t kAnswerBytes = 4;

// The answers of the run as the link pairs them (reader thread and timer).
class AnswerBook {
 public:
  void record(const AnswerEvent& e, std::int64_t now_ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (e.kind != AnswerEvent::Kind::NoAnswer) last_at_ = now_ms;
    bool notable = true;
    switch (e.kind) {
      case AnswerEvent::Kind::Answer:
        notable = !e.go;
        ++(e.go ? answers_.go : answers_.refused);
        answers_.last = without_line_ends(e.answer);
        if (e.lagged_behind > 0) {
          if (answers_.lag_first == 0) answers_.lag_first = e.line_number;
          answers_.lag_last = std::max(answers_.lag_last, e.lagged_behind);
        }
        break;
      case AnswerEvent::Kind::Unexpected:
        ++answers_.unexpected;
        answers_.last = without_line_ends(e.answer);
        break;
      case AnswerEvent::Kind::NoAnswer:
        if (answers_.unanswered++ == 0) answers_.unanswered_first = e.line_number;
        answers_.unanswered_last = e.line_number;
        break;
    }
    if (notable && answers_.notable.size() < SendAllAnswers::kKeptNotable) answers_.notable.push_back(e);
  }
  SendAllAnswers snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return answers_;
  }
  std::string last() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return answers_.last;
  }
  std::int64_t last_answer_at() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_at_;
  }

 private:
  mutable std::mutex mutex_;
  SendAllAnswers answers_;
  std::int64_t last_at_ = 0;
};

// The observer is the run's for as long as it lasts; each answer also ends
// the run's wait.
class ObserveAnswers {
 public:
  ObserveAnswers(AnswerBook& book, SendAllPace& pace) {
    set_answer_observer([&book, &pace](const AnswerEvent& e) {
      book.record(e, pace.now_ms());
      pace.wake();
    });
    // Lines are stamped, and the no-answer limit measured, on the run's clock.
    set_link_clock([&pace] { return pace.now_ms(); });
  }
  ~ObserveAnswers() {
    set_answer_observer({});
    set_link_clock({});
  }
};


// The line time of one answer ("GO" CR LF, behind the address on RS-485).
std::int64_t answer_line_ms() {
  const std::size_t bytes = kAnswerBytes + (store().interface_mode != 0 ? 2 : 0);
  return (static_cast<std::int64_t>(bytes) * kCharNs + 999999) / 1000000;
}

bool parse_ms(const char* text, int* out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || v < 1 || v > 60000) return false;
  *out = static_cast<int>(v);
  return true;
}

// What is left after each tick: the timed run's schedule, or the line-rate
// time of the acknowledged run's lines and answers.
std::vector<std::int64_t> time_left(const std::vector<SendAllScriptTick>& ticks, PaceMode mode) {
  const SettingsStore& s = store();
  std::vector<std::int64_t> left(ticks.size(), 0);
  std::int64_t sum_ns = 0;
  for (std::size_t i = ticks.size(); i-- > 0;) {
    left[i] = sum_ns / 1000000;
    const SendAllScriptTick& t = ticks[i];
    if (mode == PaceMode::Timed) {
      sum_ns += std::int64_t{t.period_ms} * 1000000;
    } else if (!t.line.empty()) {
      const std::size_t prefix = s.interface_mode != 0 ? 2 : 0;
      sum_ns += static_cast<std::int64_t>(t.line.size() + prefix + kAnswerBytes + prefix) * kCharNs;
    }
  }
  return left;
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
  std::vector<SendAllScriptTick> ticks = send_all_script(store(), std::clamp(store().model_index, 0, kModelCount - 1));
  for (SendAllScriptTick& t : ticks) {
    t.period_ms = t.period_ms == kSendAllFastPeriodMs ? periods.fast_ms : periods.slow_ms;
  }
  return run_send_all(ticks, PaceMode::Timed, pace, reporter, hooks);
}

std::vector<SendAllScriptTick> changed_ticks(const std::vector<SendAllScriptTick>& old_ticks,
                                             const std::vector<SendAllScriptTick>& new_ticks) {
  std::vector<SendAllScriptTick> out;
  for (std::size_t i = 0; i < new_ticks.size(); ++i) {
    const SendAllScriptTick& n = new_ticks[i];
    const SendAllScriptTick* o = i < old_ticks.size() ? &old_ticks[i] : nullptr;
    if (n.line.empty() && n.warning.empty()) continue;
    if (o && o->line == n.line && o->warning == n.warning) continue;
    out.push_back(n);
  }
  return out;
}

SendAllOutcome run_send_all(const std::vector<SendAllScriptTick>& ticks, PaceMode mode, SendAllPace& pace,
                            SendAllReporter& reporter, const SendAllHooks& hooks) {
  SendAllOutcome outcome;
  const int model = std::clamp(store().model_index, 0, kModelCount - 1);
  Link link;
  if (!begin_send_all(link)) {
    outcome.end = SendAllEnd::NotStarted;
    return outcome;
  }
  AnswerBook book;
  ObserveAnswers observe(book, pace);
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
  const std::vector<std::int64_t> left = time_left(ticks, mode);
  for (const SendAllScriptTick& t : ticks) outcome.lines_planned += !t.line.empty();
  SendAllProgress progress;
  progress.progress_max = send_all_progress_max(model);
  progress.lines_total = outcome.lines_planned;

  // The run reads the answers itself: one thread woken per answer.
  pace.watch(read_answers_yourself(true));
  const std::int64_t start = pace.now_ms();
  std::int64_t next_check = start + kCheckPeriodMs;
  // The no-answer check once it is due; false when it was not.
  auto check_if_due = [&] {
    const std::int64_t now = pace.now_ms();
    if (now < next_check) return false;
    no_connect_check();
    // Checks missed while the process was paused do not come as a burst.
    next_check += kCheckPeriodMs;
    if (next_check <= now) next_check = now + kCheckPeriodMs;
    return true;
  };
  std::int64_t next_tick = start + (ticks.empty() ? 0 : ticks.front().period_ms);
  bool finished = true;
  for (std::size_t i = 0; i < ticks.size() && finished; ++i) {
    const SendAllScriptTick& t = ticks[i];
    std::int64_t woke = pace.now_ms();
    if (mode == PaceMode::Timed) {
      for (;;) {
        if (must_stop()) break;
        const std::int64_t deadline = std::min(next_tick, next_check);
        pace.wait_until(deadline);
        poll();
        if (pace.stop_signal() || pace.now_ms() < deadline) continue;
        if (next_check < next_tick && check_if_due()) continue;
        break;
      }
      woke = pace.now_ms();
      outcome.max_late_ms = std::max(outcome.max_late_ms, woke - next_tick);
    }
    if (must_stop()) {
      abandon_send_all(link);
      finished = false;
      break;
    }
    // An error answer (or No Connect) since the last tick stops the run.
    if (link_status().error_seen != 0) {
      abandon_send_all(link);
      outcome.end = book.snapshot().unanswered > 0 ? SendAllEnd::NoConnect : SendAllEnd::StoppedByAnswer;
      finished = false;
      break;
    }
    outcome.last_step = t.plan.step;
    if (!t.line.empty()) {
      send_command(t.line);
      const SendOutcome sent = last_send_outcome();
      if (!sent.written) {
        // Not written, not counted; the link is lost or held.
        abandon_send_all(link);
        outcome.failure = sent.failure;
        outcome.end = sent.error == ETIMEDOUT ? SendAllEnd::WriteFailed : SendAllEnd::LinkLost;
        if (outcome.end == SendAllEnd::LinkLost && link_state() == LinkState::WaitingForDevice) {
          outcome.failure = link_lost_reason();
        }
        finished = false;
        break;
      }
      ++outcome.lines_sent;
      outcome.last_line = without_line_ends(t.line);
    }
    if (!t.warning.empty()) {
      ++outcome.warnings;
      const std::string what = t.plan.action == SendAllAction::ChannelTitle
                                   ? "channel " + std::to_string(t.plan.index + 1) + " title"
                                   : std::string("panel password");
      reporter.message("klvc send-all: warning: " + what + " not sent: " + t.warning);
    }
    outcome.run_ms = woke - start;
    if (i + 1 < ticks.size()) {
      // Deadlines are absolute, so small delays do not add up; but ticks
      // missed in a pause are not made up as a burst: the lines keep at
      // least half their spacing, and after a whole missed period the
      // schedule starts again from now.
      const std::int64_t p = ticks[i + 1].period_ms;
      next_tick = woke - next_tick >= t.period_ms ? woke + p : std::max(next_tick + p, woke + p / 2);
    }
    // Acknowledged: the next line only once this one has its answer, or the
    // limit has passed (the check gives it up), or something ends the run.
    if (mode == PaceMode::Ack && !t.line.empty()) {
      while (answers_awaited() && link_status().error_seen == 0 && !pace.stop_signal() && !reporter.closed() &&
             link_state() != LinkState::WaitingForDevice) {
        pace.wait_until(next_check);
        poll();
        check_if_due();
      }
    }
    progress.step = t.plan.step;
    progress.progress_pos = t.progress_pos;
    progress.lines_sent = outcome.lines_sent;
    progress.ms_left = left[i];
    progress.last_answer = book.last();
    reporter.tick(progress);
  }
  // Every line is out: each answer still awaited gets up to the no-answer
  // limit from its line's write; once none is awaited, one answer's line
  // time more, so a doubled answer right behind the last is still heard.
  // After an error answer too: the answers to the lines already out are
  // theirs, not the next unit's on a bus.
  if (finished || outcome.end == SendAllEnd::StoppedByAnswer) {
    for (int checks = 0; answers_awaited() && checks < kMostWaitChecks && !must_stop();) {
      pace.wait_until(next_check);
      poll();
      if (!pace.stop_signal() && check_if_due()) ++checks;
    }
    const std::int64_t last = book.last_answer_at();
    const std::int64_t quiet_until = (last > 0 ? last : pace.now_ms()) + answer_line_ms();
    while (!must_stop() && pace.now_ms() < quiet_until) {
      pace.wait_until(quiet_until);
      poll();
    }
  }
  abandon_send_all(link);
  pace.watch(read_answers_yourself(false));
  // Lines still waiting when the run ends are given up, and named.
  give_up_answers("the run ended");
  reporter.done();
  poll();
  outcome.answers = book.snapshot();
  // A hang-up once every line was answered GO lost nothing.
  const SendAllAnswers& a = outcome.answers;
  if (outcome.end == SendAllEnd::LinkLost && outcome.lines_sent == outcome.lines_planned &&
      a.go == outcome.lines_sent && a.refused + a.unexpected + a.unanswered == 0) {
    outcome.end = SendAllEnd::Finished;
    outcome.note = "then the link was lost" + (outcome.failure.empty() ? std::string() : " (" + outcome.failure + ")");
  }
  if (book.last_answer_at() > 0) outcome.answered_ms = book.last_answer_at() - start;
  return outcome;
}

}  // namespace klvc
