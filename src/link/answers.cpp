#include "link/protocol.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "common/text.h"
#include "link/link_internal.h"
#include "link/link_log.h"
#include "link/messages.h"

namespace klvc {

namespace {

struct ErrorAnswer {
  const char* answer;
  const char* text;
};

const ErrorAnswer kErrorAnswers[] = {
    {"GN\r\n", "Mode Error"},     {"MENU\r\n", "Menu Display"},   {"E0\r\n", "Framing Error"},
    {"E1\r\n", "Parity Error"},   {"E2\r\n", "Over Run Error"},   {"E3\r\n", "Command Error"},
};

constexpr std::string_view kSuccess = "GO\r\n";

// "line 12 (AIS0419)"
std::string named(long number, const std::string& line) {
  return "line " + std::to_string(number) + " (" + escape_bytes(line) + ")";
}

void tell(LinkCore& l, const AnswerEvent& e) {
  const auto& observer = l.answer_observer;
  if (observer) observer(e);
}

// The line's owner hears of its answer on the user-interface thread.
void tell_owner(const LineOwner& owner, const AnswerEvent& e) {
  if (!owner.on_answer) return;
  message_sink().post_call([hear = owner.on_answer, e] { hear(e); });
}

// "Command Error" and, below it, the line it answers when the sender named it.
std::string for_line(const std::string& text, const std::optional<AwaitedLine>& line) {
  return line && !line->owner.label.empty() ? text + "\n" + line->owner.label : text;
}

// Pairs an answer with the oldest line waiting, logs the pair and tells the
// observer; returns the line answered.
std::optional<AwaitedLine> settle(LinkCore& l, const LineAssembler::Line& line, bool go) {
  AnswerQueue& queue = l.awaited;
  AnswerEvent e;
  e.answer = line.bytes;
  e.answer_size = line.size;
  e.go = go;
  std::optional<AwaitedLine> answered = queue.settle();
  const std::string shown = escape_bytes(without_crlf(line.bytes)) + (line.cut() ? "..." : "");
  if (answered) {
    e.kind = AnswerEvent::Kind::Answer;
    e.line_number = answered->number;
    e.line = answered->line;
    // A later line was out before this answer was read: it may be that line's.
    if (line.written_before > answered->number) {
      e.lagged_behind = line.written_before;
      AnswerLag& lag = l.lag;
      if (lag.first == 0) lag.first = answered->number;
      lag.last = std::max(lag.last, line.written_before);
    }
    log_link(LogDirection::Pairing, "answer to " + named(e.line_number, e.line) + ": " + shown +
                                        (e.lagged_behind ? " (came after line " + std::to_string(e.lagged_behind) +
                                                               " was written)"
                                                         : std::string()));
  } else {
    e.kind = AnswerEvent::Kind::Unexpected;
    const AwaitedLine last = queue.last_sent();
    e.line_number = last.number;
    e.line = last.line;
    log_link(LogDirection::Event,
             "unexpected answer " + shown + ": no line awaits one" +
                 (last.number > 0 ? " (the last line sent was " + named(last.number, last.line) + ")"
                                  : std::string()));
  }
  tell(l, e);
  if (answered) tell_owner(answered->owner, e);
  return answered;
}

// At most four of the labels, and how many more there were.
std::string first_labels(const std::vector<std::string>& labels) {
  constexpr std::size_t kShown = 4;
  std::string text;
  for (std::size_t i = 0; i < labels.size() && i < kShown; ++i) text += (i ? ", " : "") + labels[i];
  if (labels.size() > kShown) text += " ほか " + std::to_string(labels.size() - kShown) + " 件";
  return text;
}

void show_success(LinkCore& l) {
  BoxRequest r;
  // After answers lagged, "Success" would be a guess.
  const AnswerLag lag = l.lag;
  l.lag = AnswerLag{};
  if (lag.first > 0) {
    show_error(answers_lagged_text(lag.first));
    return;
  }
  r.text = "Success";
  r.caption = "設定完了";
  r.icon = BoxIcon::None;
  r.buttons = BoxButtons::Ok;
  r.beep = true;
  message_sink().post_box(std::move(r));
}

}  // namespace

std::string frame_command(const char* body, int interface_mode, int slave_number) {
  std::string line;
  if (interface_mode != 0) {
    std::string digits = std::to_string(slave_number);
    if (slave_number >= 0 && slave_number < 10) line = "0";
    line += digits;
  }
  line += body ? body : "";
  return line;
}

const char* error_answer_text(std::string_view answer) {
  for (const ErrorAnswer& e : kErrorAnswers) {
    if (answer == e.answer) return e.text;
  }
  return nullptr;
}

std::string unknown_answer_text(std::string_view answer, std::size_t size) {
  // Shown as it arrived, RS-485 address included: the switcher's own words.
  std::string_view shown = answer;
  bool cut = size > answer.size();
  if (!cut && shown.size() >= 2 && shown.substr(shown.size() - 2) == "\r\n") {
    shown.remove_suffix(2);
  }
  std::string text = "Unknown answer from the switcher: \"" + escape_bytes(shown);
  text += cut ? "…\" (" + std::to_string(size) + " bytes)" : "\"";
  return text;
}

void arm_unknown_answer_box(LinkCore& l) { l.unknown_box_armed.store(true); }

void Link::set_answer_observer(std::function<void(const AnswerEvent&)> observer) {
  std::lock_guard<std::recursive_mutex> traffic(core_->traffic_mutex);
  core_->answer_observer = std::move(observer);
}

bool Link::answers_awaited() const {
  std::lock_guard<std::recursive_mutex> traffic(core_->traffic_mutex);
  return !core_->awaited.empty();
}

void Link::clear_answer_lag() {
  std::lock_guard<std::recursive_mutex> traffic(core_->traffic_mutex);
  core_->lag = AnswerLag{};
}

std::string answers_lagged_text(long first_line) {
  return "answers lagged behind the lines from line " + std::to_string(first_line) +
         " on; a lost answer cannot be told from a late one at this pace";
}

std::string Link::answer_lag_text(long first_line) const { return answers_lagged_text(first_line); }

void Link::give_up_answers(const char* why) {
  LinkCore& l = *core_;
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  give_up_awaited_lines(l, why);
  l.status.response_pending = 0;
  l.status.no_connect_ticks = 0;
}

std::vector<std::string> give_up_awaited_lines(LinkCore& l, const char* why) {
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  std::vector<std::string> labels;
  for (const AwaitedLine& a : l.awaited.give_up()) {
    log_link(LogDirection::Event, "no answer to " + named(a.number, a.line) + ": " + why);
    AnswerEvent e;
    e.kind = AnswerEvent::Kind::NoAnswer;
    e.line_number = a.number;
    e.line = a.line;
    tell(l, e);
    tell_owner(a.owner, e);
    if (!a.owner.label.empty()) labels.push_back(a.owner.label);
  }
  return labels;
}

void handle_answer_line(LinkCore& l, const LineAssembler::Line& given) {
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  LineAssembler::Line line = given;
  if (line.written_before < 0) line.written_before = l.last_written.load();
  LinkStatus& s = l.status;
  s.no_connect_ticks = 0;
  l.unsent_labels.clear();

  std::string_view answer = line.bytes;
  std::size_t size = line.size;
  if (l.interface_mode != 0) {
    // The switcher puts its two address characters in front; they are not checked.
    std::size_t strip = answer.size() < 2 ? answer.size() : 2;
    answer.remove_prefix(strip);
    size -= strip;
  }

  const bool go = !line.cut() && answer == kSuccess;
  const std::optional<AwaitedLine> answered = settle(l, line, go);
  // Still pending while an older line waits: its answer is awaited up to the limit.
  s.response_pending = l.awaited.empty() ? 0 : 1;
  if (go) {
    const bool owner_reports = answered && answered->owner.on_answer;
    if (s.batch_step == 0 && !owner_reports) show_success(l);
    return;
  }
  s.error_seen = 1;
  const char* text = line.cut() ? nullptr : error_answer_text(answer);
  if (text) {
    show_error(for_line(text, answered), BoxOrigin::Answer);
  } else if (l.unknown_box_armed.exchange(false)) {
    show_error(for_line(unknown_answer_text(line.bytes, line.size), answered), BoxOrigin::Answer);
  }
}

void Link::handle_response(const char* text) {
  LineAssembler::Line line;
  if (text) line.bytes = text;
  line.size = line.bytes.size();
  handle_answer_line(*core_, line);
}

void Link::no_connect_check() {
  LinkCore& l = *core_;
  LinkStatus& s = l.status;
  if (s.response_pending == 0) return;
  s.no_connect_ticks.fetch_add(1);
  std::lock_guard<std::recursive_mutex> traffic(l.traffic_mutex);
  // Measured from the oldest line's write (or the command that found no
  // port), never by counting ticks: missed ticks do not add up.
  auto overdue = [&l] {
    const AwaitedLine* oldest = l.awaited.oldest();
    const std::int64_t since = oldest ? oldest->written_ms : l.pending_since_ms;
    return link_now_ms(l) - since > kNoAnswerLimitMs;
  };
  if (!overdue()) return;
  // The answer may be in the port already (this process was paused).
  read_port_now(l);
  if (s.response_pending != 0 && overdue()) {
    s.response_pending = 0;
    s.no_connect_ticks = 0;
    // A dead link must stop a running batch, not let it run on for minutes.
    s.error_seen = 1;
    log_link(LogDirection::Event, "no answer within the limit: No Connect");
    std::vector<std::string> labels = give_up_awaited_lines(l, "No Connect");
    labels.insert(labels.end(), l.unsent_labels.begin(), l.unsent_labels.end());
    l.unsent_labels.clear();
    show_error(labels.empty() ? "No Connect" : "No Connect\n" + first_labels(labels), BoxOrigin::NoConnect);
  }
}

}  // namespace klvc
