// Message boxes: a framed box with a caption, a mark for the kind of message,
// the text and OK or Yes/No buttons, centred above everything else.
#include <algorithm>

#include "ui/text_width.h"
#include "ui/ui_impl.h"

namespace klvc::ui {
namespace {

const char* mark_of(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error: return "(x)";
    case MessageIcon::Warning: return "(!)";
    case MessageIcon::Question: return "(?)";
    case MessageIcon::Information: return "(i)";
    case MessageIcon::None: break;
  }
  return "";
}

const char* kOkLabel = "[ OK ]";
const char* kYesLabel = "[ はい(Y) ]";
const char* kNoLabel = "[ いいえ(N) ]";

struct BoxLayout {
  Rect frame;
  std::vector<std::string> lines;
  int text_x = 0;
  std::vector<std::pair<Rect, BoxResult>> buttons;  // where, and the answer it gives
};

BoxLayout layout(const MessageBoxSpec& form, int screen_w, int screen_h) {
  BoxLayout l;
  std::string mark = mark_of(form.icon);
  int mark_w = mark.empty() ? 0 : display_width(mark) + 1;
  int max_text = std::max(10, screen_w - 6 - mark_w);
  l.lines = wrap_to_width(form.text, max_text);
  int text_w = 0;
  for (const auto& line : l.lines) text_w = std::max(text_w, display_width(line));
  std::vector<std::pair<std::string, BoxResult>> labels;
  if (form.buttons == MessageButtons::YesNo) {
    labels = {{kYesLabel, BoxResult::Yes}, {kNoLabel, BoxResult::No}};
  } else {
    labels = {{kOkLabel, BoxResult::Ok}};
  }
  int buttons_w = 0;
  for (const auto& b : labels) buttons_w += display_width(b.first) + 2;
  int inner = std::max({text_w + mark_w, buttons_w, display_width(form.caption) + 6, 16});
  inner = std::min(inner, std::max(1, screen_w - 4));
  int w = inner + 4;
  int h = static_cast<int>(l.lines.size()) + 5;
  l.frame = Rect{std::max(0, (screen_w - w) / 2), std::max(0, (screen_h - h) / 2), w, h};
  l.text_x = l.frame.x + 2 + mark_w;
  int x = l.frame.x + (w - buttons_w) / 2 + 1;
  int y = l.frame.y + h - 2;
  for (const auto& b : labels) {
    int bw = display_width(b.first);
    l.buttons.push_back({Rect{x, y, bw, 1}, b.second});
    x += bw + 2;
  }
  return l;
}

}  // namespace

void Ui::Impl::render_box(Canvas& c, const OpenBox& box) const {
  const MessageBoxSpec& form = shown[box.shown_index].form;
  BoxLayout l = layout(form, c.width(), dialog_area_height());  // above the key line
  c.fill(l.frame);
  c.box(l.frame);
  Style bold;
  bold.bold = true;
  c.put_clipped(l.frame.x + 2, l.frame.y, " " + fit_width(form.caption, l.frame.w - 6) + " ", l.frame, bold);
  std::string mark = mark_of(form.icon);
  if (!mark.empty()) c.put_clipped(l.frame.x + 2, l.frame.y + 2, mark, l.frame, bold);
  Rect text_area{l.text_x, l.frame.y + 2, l.frame.x + l.frame.w - 2 - l.text_x, static_cast<int>(l.lines.size())};
  for (std::size_t i = 0; i < l.lines.size(); ++i)
    c.put_clipped(l.text_x, l.frame.y + 2 + static_cast<int>(i), l.lines[i], text_area);
  for (std::size_t i = 0; i < l.buttons.size(); ++i) {
    Style s;
    s.reverse = static_cast<int>(i) == box.focus;
    const char* label = l.buttons.size() == 1 ? kOkLabel : (i == 0 ? kYesLabel : kNoLabel);
    c.put_clipped(l.buttons[i].first.x, l.buttons[i].first.y, label, l.frame, s);
  }
}

std::string Ui::Impl::box_key_hint() const {
  const OpenBox& box = boxes.front();
  std::string hint = shown[box.shown_index].form.buttons == MessageButtons::YesNo
                         ? "Y はい  N いいえ  ←→ 選ぶ  Enter 決定  Esc 取り消し"
                         : "Enter OK";
  if (boxes.size() > 1) hint += "  （あと " + std::to_string(boxes.size() - 1) + " 件）";
  return hint;
}

bool Ui::Impl::typed_before_box(const Event& e) const {
  const OpenBox& box = boxes.front();
  const bool mouse =
      e.key == Key::MouseDown || e.key == Key::MouseUp || e.key == Key::WheelUp || e.key == Key::WheelDown;
  if (mouse || !shown[box.shown_index].form.unasked) return false;
  // On a terminal: keys already waiting when the box was first drawn (see
  // run_once). Without one: keys at the very moment it came up.
  return backend->real_time() ? draining_before_box : e.time_ms == box.shown_at;
}

void Ui::Impl::box_event(const Event& e) {
  OpenBox& box = boxes.front();
  bool yes_no = shown[box.shown_index].form.buttons == MessageButtons::YesNo;
  const BoxResult focused_answer = yes_no ? (box.focus == 0 ? BoxResult::Yes : BoxResult::No) : BoxResult::Ok;
  switch (e.key) {
    case Key::Enter: self->answer_box(focused_answer); return;
    // Esc on a question is neither answer: the question goes and nothing happens.
    case Key::Escape: self->answer_box(yes_no ? BoxResult::Cancel : BoxResult::Ok); return;
    case Key::Tab:
    case Key::BackTab:
    case Key::Left:
    case Key::Right:
      if (yes_no) box.focus = 1 - box.focus;
      return;
    case Key::Text: {
      std::string t = e.text;
      if (t == " ") {
        self->answer_box(focused_answer);
      } else if (yes_no && (t == "y" || t == "Y")) {
        self->answer_box(BoxResult::Yes);
      } else if (yes_no && (t == "n" || t == "N")) {
        self->answer_box(BoxResult::No);
      } else if (!yes_no && (t == "o" || t == "O")) {
        self->answer_box(BoxResult::Ok);
      }
      return;
    }
    case Key::Alt:
      if (yes_no && e.text == "y") self->answer_box(BoxResult::Yes);
      if (yes_no && e.text == "n") self->answer_box(BoxResult::No);
      return;
    case Key::MouseDown: {
      BoxLayout l = layout(shown[box.shown_index].form, backend->width(), dialog_area_height());
      for (const auto& [r, answer] : l.buttons) {
        if (r.contains(e.x, e.y)) {
          self->answer_box(answer);
          return;
        }
      }
      return;
    }
    default: return;
  }
}

}  // namespace klvc::ui
