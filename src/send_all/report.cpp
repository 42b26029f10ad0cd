// What `klvc send-all` tells the operator: the progress while it runs, each
// answer that was not a plain "GO" to its line, and the one-line verdict.
#include <algorithm>
#include <csignal>
#include <cstring>
#include <ostream>
#include <sstream>

#include "send_all/send_all.h"
#include "common/text.h"
#include "commands/send_all_lines.h"
#include "link/link.h"
#include "link/link_log.h"
#include "link/protocol.h"
#include "link/serial_io.h"
#include "settings/models.h"

namespace klvc {

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

// An answer as text: "GO", "E3 (Command Error)", or quoted as it arrived
// (and said to be cut when it was longer than what was kept).
std::string answer_text(const std::string& answer, bool rs485, std::size_t size = 0) {
  if (size > answer.size()) {
    return "\"" + escape_bytes(answer) + "...\" (cut: " + std::to_string(size) + " bytes received)";
  }
  std::string body = answer;
  if (rs485) body.erase(0, std::min<std::size_t>(2, body.size()));
  const std::string shown = escape_bytes(without_crlf(answer));
  if (body == "GO\r\n") return shown;
  if (const char* meaning = error_answer_text(body)) return shown + " (" + meaning + ")";
  return "\"" + escape_bytes(answer) + "\"";
}

std::string line_named(long number, const std::string& line) {
  return "line " + std::to_string(number) + " (" + escape_bytes(line) + ")";
}

const AnswerEvent* first_of(const SendAllAnswers& a, AnswerEvent::Kind kind, bool go_too = true) {
  for (const AnswerEvent& e : a.notable) {
    if (e.kind == kind && (go_too || !e.go)) return &e;
  }
  return nullptr;
}

// "1 line", "420 lines"
std::string lines_count(long n) { return std::to_string(n) + (n == 1 ? " line" : " lines"); }

std::string how_far(const SendAllOutcome& o, int model) {
  return "at step " + std::to_string(o.last_step) + " of " + std::to_string(send_all_last_step(model)) +
         " after " + lines_count(o.lines_sent) + "; last line sent: " +
         (o.last_line.empty() ? std::string("none") : escape_bytes(o.last_line));
}

std::string unexpected_part(const SendAllAnswers& a) {
  const AnswerEvent* e = first_of(a, AnswerEvent::Kind::Unexpected);
  if (!e) return {};
  std::string text = std::to_string(a.unexpected) + (a.unexpected == 1 ? " answer" : " answers") +
                     " came with no line awaiting it (first " + answer_text(e->answer, a.rs485, e->answer_size);
  if (e->line_number > 0) text += " after " + line_named(e->line_number, e->line);
  return text + ")";
}

const char* kCheckTheLine = "check the cable, the port and the switcher's power and address";

// The lines given up: "line 7 (ADT10)" or "lines 240-420".
std::string unanswered_lines(const SendAllAnswers& a, const AnswerEvent* first) {
  if (a.unanswered <= 1 || a.unanswered_last <= a.unanswered_first) {
    return first ? line_named(first->line_number, first->line) : std::string("a line");
  }
  std::string text = "lines " + std::to_string(a.unanswered_first) + "-" + std::to_string(a.unanswered_last);
  const long span = a.unanswered_last - a.unanswered_first + 1;
  if (span != a.unanswered) text += " (" + std::to_string(a.unanswered) + " of them)";
  return text;
}

// "; answers lagged behind the lines from line 100 on (lines 100-105); a lost ..."
std::string lag_part(const SendAllAnswers& a) {
  if (a.lag_first == 0) return {};
  std::string text = answers_lagged_text(a.lag_first);
  const std::string on = " on";
  const std::size_t at = text.find(on + ";");
  if (at != std::string::npos && a.lag_last > a.lag_first) {
    text.insert(at + on.size(),
                " (lines " + std::to_string(a.lag_first) + "-" + std::to_string(a.lag_last) + ")");
  }
  return text;
}

}  // namespace

// ---------------------------------------------------------------- progress

SendAllReporter::SendAllReporter(std::ostream& stream, bool is_terminal, int model)
    : SendAllReporter(stream, is_terminal ? Style::Terminal : Style::Plain, model) {}

SendAllReporter::SendAllReporter(std::ostream& stream, Style style, int model)
    : out_(stream), style_(style), model_(model) {}

void SendAllReporter::check() {
  if (!out_) closed_ = true;
}

void SendAllReporter::tick(const SendAllProgress& p) {
  if (closed_) return;
  const int last_step = send_all_last_step(model_);
  SendAllCursor at;
  at.step = p.step;
  const char* phase = phase_name(plan_send_all_tick(at, model_).action);
  // Each line goes out in one write: a reader never sees half of it.
  if (style_ == Style::Records) {
    // The parent redraws at most every 100 ms: more records would only
    // cost both processes time (a fleet has hundreds).
    const std::int64_t now = steady_now_ms();
    if (phase == last_phase_ && now - last_record_ms_ < kRecordEveryMs && p.lines_sent < p.lines_total) return;
    last_phase_ = phase;
    last_record_ms_ = now;
  }
  std::ostringstream line;
  switch (style_) {
    case Style::Terminal: {
      constexpr int kWidth = 30;
      const int filled = p.progress_max > 0 ? p.progress_pos * kWidth / p.progress_max : 0;
      line << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] step " << p.step << '/'
           << last_step << "  lines " << p.lines_sent << '/' << p.lines_total << "  " << minutes_seconds(p.ms_left)
           << " left  " << phase << "\033[K";
      bar_shown_ = true;
      break;
    }
    case Style::Plain:
      // Without a terminal: one line as each group of settings begins.
      if (phase == last_phase_) return;
      last_phase_ = phase;
      line << "klvc send-all: step " << p.step << '/' << last_step << ", " << phase << ", " << p.lines_sent << '/'
           << p.lines_total << " lines sent, " << minutes_seconds(p.ms_left) << " left\n";
      break;
    case Style::Records: {
      line << "progress\t" << p.step << '\t' << last_step << '\t' << p.lines_sent << '\t' << p.lines_total << '\t'
           << p.ms_left << '\t' << phase << '\t' << escape_bytes(p.last_answer) << '\n';
      break;
    }
  }
  out_ << line.str() << std::flush;
  check();
}

void SendAllReporter::message(const std::string& text) {
  if (closed_) return;
  if (style_ == Style::Records) {
    out_ << "message\t" + shown(text) + "\n" << std::flush;
  } else {
    out_ << (bar_shown_ ? "\r\033[K" : "") + shown_lines(text) + "\n" << std::flush;
  }
  bar_shown_ = false;
  check();
}

void SendAllReporter::done() {
  if (bar_shown_ && !closed_) out_ << "\r\033[K" << std::flush;
  bar_shown_ = false;
  check();
}

// ---------------------------------------------------------------- verdict

int send_all_exit_code(const SendAllOutcome& o) {
  switch (o.end) {
    case SendAllEnd::Interrupted: return kExitSignalBase + o.signal;
    case SendAllEnd::OutputClosed: return kExitOutputClosed;
    case SendAllEnd::Finished: break;
    default: return kExitFailed;
  }
  const SendAllAnswers& a = o.answers;
  // Answers that lagged behind their lines leave every pairing in doubt.
  const bool clean = a.refused == 0 && a.unexpected == 0 && a.unanswered == 0 && a.go == o.lines_sent &&
                     a.lag_first == 0;
  return clean ? kExitOk : kExitFailed;
}

std::vector<std::string> send_all_answer_report(const SendAllOutcome& o) {
  std::vector<std::string> out;
  for (const AnswerEvent& e : o.answers.notable) {
    switch (e.kind) {
      case AnswerEvent::Kind::Answer:
        out.push_back("klvc send-all: " + line_named(e.line_number, e.line) + " was answered " +
                      answer_text(e.answer, o.answers.rs485, e.answer_size));
        break;
      case AnswerEvent::Kind::Unexpected:
        out.push_back("klvc send-all: unexpected answer " + answer_text(e.answer, o.answers.rs485, e.answer_size) +
                      (e.line_number > 0 ? " after " + line_named(e.line_number, e.line) : std::string()) +
                      ": no line awaited it");
        break;
      case AnswerEvent::Kind::NoAnswer:
        out.push_back("klvc send-all: " + line_named(e.line_number, e.line) + " got no answer");
        break;
    }
  }
  const SendAllAnswers& a = o.answers;
  const std::size_t all = static_cast<std::size_t>(a.refused + a.unexpected + a.unanswered);
  if (all > o.answers.notable.size()) {
    out.push_back("klvc send-all: ... and " + std::to_string(all - o.answers.notable.size()) +
                  " more like these (every one is in --log FILE)");
  }
  return out;
}

std::string send_all_verdict(const SendAllOutcome& o, int model, const std::string& device) {
  const SendAllAnswers& a = o.answers;
  const std::string head = "klvc send-all: ";
  const AnswerEvent* refused = first_of(a, AnswerEvent::Kind::Answer);
  const AnswerEvent* unanswered = first_of(a, AnswerEvent::Kind::NoAnswer);
  const std::string on = device.empty() ? std::string() : " on " + device;
  switch (o.end) {
    case SendAllEnd::NotStarted:
      return head + "another batch is running; nothing was sent";
    case SendAllEnd::Interrupted:
      return head + "interrupted by " +
             (o.signal == SIGINT ? std::string("Ctrl+C") : "SIG" + std::string(sigabbrev_np(o.signal))) + " " +
             how_far(o, model);
    case SendAllEnd::OutputClosed:
      return head + "output closed " + how_far(o, model);
    case SendAllEnd::LinkLost:
      return head + "link lost " + how_far(o, model) +
             (o.failure.empty() ? std::string() : " (" + o.failure + ")");
    case SendAllEnd::WriteFailed:
      return head + "stopped " + how_far(o, model) + "; the next line was not sent: " + o.failure;
    case SendAllEnd::StoppedByAnswer: {
      std::string why = "by the switcher's answer above";
      if (refused) {
        why = "by the switcher's answer " + answer_text(refused->answer, a.rs485, refused->answer_size) + " to " +
              line_named(refused->line_number, refused->line);
      } else if (const AnswerEvent* u = first_of(a, AnswerEvent::Kind::Unexpected, false)) {
        why = "by the switcher's answer " + answer_text(u->answer, a.rs485, u->answer_size) + ", which no line awaited";
      }
      return head + "stopped " + why + ", " + how_far(o, model);
    }
    case SendAllEnd::NoConnect:
      return head + "stopped: no answer to " + unanswered_lines(a, unanswered) + on +
             " within the limit (No Connect), " + how_far(o, model) + "; " +
             (a.lag_first ? lag_part(a) + "; " : std::string()) + kCheckTheLine;
    case SendAllEnd::Finished:
      break;
  }
  const std::string sent = lines_count(o.lines_sent) + " sent to " + model_name(model);
  if (a.lag_first > 0) {
    std::string text = head + sent + ", " + std::to_string(a.go) + " answered GO, but " + lag_part(a);
    if (unanswered) text += "; no answer to " + unanswered_lines(a, unanswered);
    return text;
  }
  if (unanswered) {
    return head + "no answer to " + unanswered_lines(a, unanswered) + on + " within the limit (No Connect); " +
           std::to_string(a.go) + " of " + lines_count(o.lines_sent) + " answered GO; " + kCheckTheLine;
  }
  if (refused) {
    return head + sent + "; " + std::to_string(a.refused) + " refused, the first " +
           line_named(refused->line_number, refused->line) + " with " + answer_text(refused->answer, a.rs485, refused->answer_size);
  }
  if (o.lines_planned == 0 && a.unexpected == 0) {
    // "0 lines sent, every one answered GO" would claim answers nobody gave.
    return head + "nothing to send to " + model_name(model) + on + ": no line differs from what it holds";
  }
  std::string text = head + sent + (o.lines_sent == 1 ? ", answered GO" : ", every one answered GO");
  if (a.unexpected > 0) return text + ", but " + unexpected_part(a);
  if (!o.note.empty()) text += "; " + o.note;
  if (o.warnings > 0) text += " (" + std::to_string(o.warnings) + " settings could not be sent, above)";
  return text;
}

}  // namespace klvc
