#include "link/protocol.h"

#include <atomic>
#include <cstring>

#include "link/link.h"
#include "link/link_log.h"
#include "link/messages.h"
#include "settings/store.h"

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
constexpr int kNoConnectAfterTicks = 5;  // the seventh tick without an answer reports

std::atomic<bool> g_unknown_box_armed{true};
std::function<void(bool)> g_answer_observer;

void show_success() {
  BoxRequest r;
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
  std::string_view shown = answer;
  bool cut = size > answer.size();
  if (!cut && shown.size() >= 2 && shown.substr(shown.size() - 2) == "\r\n") {
    shown.remove_suffix(2);
  }
  std::string text = "Unknown answer from the switcher: \"" + escape_bytes(shown);
  text += cut ? "…\" (" + std::to_string(size) + " bytes)" : "\"";
  return text;
}

void arm_unknown_answer_box() { g_unknown_box_armed.store(true); }

void set_answer_observer(std::function<void(bool go)> observer) {
  g_answer_observer = std::move(observer);
}

void handle_answer_line(const LineAssembler::Line& line) {
  SettingsStore& s = store();
  s.no_connect_ticks = 0;
  s.response_pending = 0;

  std::string_view answer = line.bytes;
  std::size_t size = line.size;
  if (s.interface_mode != 0) {
    // The switcher puts its two address characters in front; they are not checked.
    std::size_t strip = answer.size() < 2 ? answer.size() : 2;
    answer.remove_prefix(strip);
    size -= strip;
  }

  const bool go = !line.cut() && answer == kSuccess;
  if (g_answer_observer) g_answer_observer(go);
  if (go) {
    if (s.batch_step == 0) show_success();
    return;
  }
  s.error_seen = 1;
  const char* text = line.cut() ? nullptr : error_answer_text(answer);
  if (text) {
    show_error(text);
  } else if (g_unknown_box_armed.exchange(false)) {
    show_error(unknown_answer_text(answer, size));
  }
}

void handle_response(const char* line) {
  LineAssembler::Line l;
  if (line) l.bytes = line;
  l.size = l.bytes.size();
  handle_answer_line(l);
}

void no_connect_check() {
  SettingsStore& s = store();
  if (s.response_pending == 0) return;
  int seen = s.no_connect_ticks.fetch_add(1);
  if (seen > kNoConnectAfterTicks) {
    s.response_pending = 0;
    s.no_connect_ticks = 0;
    // A dead link must stop a running batch, not let it run on for minutes.
    s.error_seen = 1;
    log_link(LogDirection::Event, "no answer: No Connect");
    show_error("No Connect");
  }
}

}  // namespace klvc
