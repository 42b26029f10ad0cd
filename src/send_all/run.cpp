// The run of `klvc send-all`: the dialog's ticks on absolute deadlines, or
// each line as soon as the one before was answered; the no-answer check every
// 500 ms; and the truth about every line: written in full or not counted,
// answered by its own answer or not.
#include "send_all/send_all.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <mutex>
#include <string_view>

#include "common/text.h"
#include "link/link_status.h"
#include "link/protocol.h"
#include "settings/models.h"

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
  ObserveAnswers(Link& link, AnswerBook& book, SendAllPace& pace) : link_(link) {
    link.set_answer_observer([&book, &pace](const AnswerEvent& e) {
      book.record(e, pace.now_ms());
      pace.wake();
    });
    // Lines are stamped, and the no-answer limit measured, on the run's clock.
    link.set_clock([&pace] { return pace.now_ms(); });
  }
  ~ObserveAnswers() {
    link_.set_answer_observer({});
    link_.set_clock({});
  }

 private:
  Link& link_;
};

// The line time of one answer ("GO" CR LF, behind the address on RS-485).
std::int64_t answer_line_ms(int interface_mode) {
  const std::size_t bytes = kAnswerBytes + (interface_mode != 0 ? 2 : 0);
  return (static_cast<std::int64_t>(bytes) * kCharNs + 999999) / 1000000;
}

// A whole number of milliseconds, 1..60000.
bool parse_ms(std::string_view text, int* out) {
  int v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < 1 || v > 60000) return false;
  *out = v;
  return true;
}

// What is left after each tick: the timed run's schedule, or the line-rate
// time of the acknowledged run's lines and answers.
std::vector<std::int64_t> time_left(const std::vector<SendAllScriptTick>& ticks, PaceMode mode,
                                    int interface_mode) {
  std::vector<std::int64_t> left(ticks.size(), 0);
  std::int64_t sum_ns = 0;
  for (std::size_t i = ticks.size(); i-- > 0;) {
    left[i] = sum_ns / 1000000;
    const SendAllScriptTick& t = ticks[i];
    if (mode == PaceMode::Timed) {
      sum_ns += std::int64_t{t.period_ms} * 1000000;
    } else if (!t.line.empty()) {
      const std::size_t prefix = interface_mode != 0 ? 2 : 0;
      sum_ns += static_cast<std::int64_t>(t.line.size() + prefix + kAnswerBytes + prefix) * kCharNs;
    }
  }
  return left;
}

}  // namespace

bool parse_send_all_periods(const std::string& word, SendAllPeriods* periods) {
  const std::string_view v(word);
  const std::size_t colon = v.find(':');
  SendAllPeriods asked;
  if (colon == std::string_view::npos || !parse_ms(v.substr(0, colon), &asked.fast_ms) ||
      !parse_ms(v.substr(colon + 1), &asked.slow_ms)) {
    return false;
  }
  *periods = asked;
  return true;
}

void apply_send_all_periods(std::vector<SendAllScriptTick>& ticks, SendAllPeriods periods) {
  for (SendAllScriptTick& t : ticks) {
    t.period_ms = t.period_ms == kSendAllFastPeriodMs ? periods.fast_ms : periods.slow_ms;
  }
}

SendAllOutcome run_send_all_timed(Link& link, const SwitcherSettings& settings, int model, SendAllPace& pace,
                                  SendAllReporter& reporter, const SendAllHooks& hooks, SendAllPeriods periods) {
  std::vector<SendAllScriptTick> ticks = send_all_script(settings, std::clamp(model, 0, kModelCount - 1));
  apply_send_all_periods(ticks, periods);
  return run_send_all(link, model, ticks, PaceMode::Timed, pace, reporter, hooks);
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

SendAllOutcome run_send_all(Link& link, int model_index, const std::vector<SendAllScriptTick>& ticks, PaceMode mode,
                            SendAllPace& pace, SendAllReporter& reporter, const SendAllHooks& hooks) {
  SendAllOutcome outcome;
  const int model = std::clamp(model_index, 0, kModelCount - 1);
  // Only one batch at a time; the end's verdict speaks of this run's answers only.
  if (!link.status().claim_batch()) {
    outcome.end = SendAllEnd::NotStarted;
    return outcome;
  }
  link.clear_answer_lag();
  AnswerBook book;
  ObserveAnswers observe(link, book, pace);
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
    } else if (link.state() == LinkState::WaitingForDevice) {
      outcome.end = SendAllEnd::LinkLost;
      outcome.failure = link.lost_reason();
    } else {
      return false;
    }
    return true;
  };
  const std::vector<std::int64_t> left = time_left(ticks, mode, link.interface_mode());
  for (const SendAllScriptTick& t : ticks) outcome.lines_planned += !t.line.empty();
  SendAllProgress progress;
  progress.progress_max = send_all_progress_max(model);
  progress.lines_total = outcome.lines_planned;

  // The run reads the answers itself: one thread woken per answer.
  pace.watch(link, link.read_answers_yourself(true));
  const std::int64_t start = pace.now_ms();
  std::int64_t next_check = start + kCheckPeriodMs;
  // The no-answer check once it is due; false when it was not.
  auto check_if_due = [&] {
    const std::int64_t now = pace.now_ms();
    if (now < next_check) return false;
    link.no_connect_check();
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
      link.status().end_batch();
      finished = false;
      break;
    }
    // An error answer (or No Connect) since the last tick stops the run.
    if (link.status().error_seen != 0) {
      link.status().end_batch();
      outcome.end = book.snapshot().unanswered > 0 ? SendAllEnd::NoConnect : SendAllEnd::StoppedByAnswer;
      finished = false;
      break;
    }
    outcome.last_step = t.plan.step;
    if (!t.line.empty()) {
      link.send_command(t.line);
      const SendOutcome sent = link.last_send_outcome();
      if (!sent.written) {
        // Not written, not counted; the link is lost or held.
        link.status().end_batch();
        outcome.failure = sent.failure;
        outcome.end = sent.error == ETIMEDOUT ? SendAllEnd::WriteFailed : SendAllEnd::LinkLost;
        if (outcome.end == SendAllEnd::LinkLost && link.state() == LinkState::WaitingForDevice) {
          outcome.failure = link.lost_reason();
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
      while (link.answers_awaited() && link.status().error_seen == 0 && !pace.stop_signal() && !reporter.closed() &&
             link.state() != LinkState::WaitingForDevice) {
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
    for (int checks = 0; link.answers_awaited() && checks < kMostWaitChecks && !must_stop();) {
      pace.wait_until(next_check);
      poll();
      if (!pace.stop_signal() && check_if_due()) ++checks;
    }
    const std::int64_t last = book.last_answer_at();
    const std::int64_t quiet_until = (last > 0 ? last : pace.now_ms()) + answer_line_ms(link.interface_mode());
    while (!must_stop() && pace.now_ms() < quiet_until) {
      pace.wait_until(quiet_until);
      poll();
    }
  }
  link.status().end_batch();
  pace.watch(link, link.read_answers_yourself(false));
  // Lines still waiting when the run ends are given up, and named.
  link.give_up_answers("the run ended");
  reporter.done();
  poll();
  outcome.answers = book.snapshot();
  outcome.answers.rs485 = link.interface_mode() != 0;
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
