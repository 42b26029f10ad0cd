// The single-line edit field: typing and pasting character by character,
// the keys that move and delete, the selected text that typing replaces,
// and the caret where the terminal's cursor stands.
#include <algorithm>

#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/text_width.h"

namespace klvc::ui {
namespace {

Style base_style(bool enabled) {
  Style s;
  s.dim = !enabled;
  return s;
}

std::string join_points(const std::vector<char32_t>& cps, std::size_t from, std::size_t to) {
  std::string s;
  for (std::size_t i = from; i < to && i < cps.size(); ++i) s += encode_utf8(cps[i]);
  return s;
}

}  // namespace

void EditField::set_text(std::string utf8) {
  text_ = std::move(utf8);
  cursor_ = decode_utf8(text_).size();
  all_selected_ = false;
  if (owner_) owner_->notify(id_, Notify::Change);
}

void EditField::replace(std::string utf8, std::size_t cursor) {
  all_selected_ = false;
  if (utf8 == text_) {
    cursor_ = cursor;
    return;
  }
  text_ = std::move(utf8);
  cursor_ = cursor;
  if (owner_) owner_->notify(id_, Notify::Change);
}

bool EditField::accept(const std::string& candidate) const {
  if (max_chars_ > 0 && static_cast<int>(decode_utf8(candidate).size()) > max_chars_) return false;
  return !filter_ || filter_(candidate);
}

bool EditField::user_insert(const std::string& utf8) {
  if (!enabled_) return false;
  auto cps = decode_utf8(text_);
  if (all_selected_) {
    cps.clear();
    cursor_ = 0;
  }
  cursor_ = std::min(cursor_, cps.size());
  std::string before = join_points(cps, 0, cursor_);
  std::string after = join_points(cps, cursor_, cps.size());
  // Each character on its own: one the limit or the filter refuses is left
  // out and the rest of the burst (an input method's, or a paste) is kept.
  // Control characters are not text.
  std::string taken;
  std::string refused;
  std::size_t taken_count = 0;
  for (char32_t c : decode_utf8(utf8)) {
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) continue;
    std::string more = taken + encode_utf8(c);
    if (!accept(before + more + after)) {
      refused += encode_utf8(c);
      continue;
    }
    taken = std::move(more);
    ++taken_count;
  }
  if (taken_count > 0) replace(before + taken + after, cursor_ + taken_count);
  if (!refused.empty() && refused_) refused_(refused);
  return taken_count > 0;
}

int EditField::scroll_start() const {
  auto cps = decode_utf8(text_);
  int inner = std::max(1, rect_.w - 2);
  std::size_t cur = std::min(cursor_, cps.size());
  if (display_width(text_) < inner) return 0;
  // Show as much as fits before the cursor, leaving its cell free.
  int used = 1;
  std::size_t start = cur;
  while (start > 0 && used + char_width(cps[start - 1]) <= inner) {
    --start;
    used += char_width(cps[start]);
  }
  return static_cast<int>(start);
}

void EditField::render(Canvas& canvas, int ox, int oy, bool focused) const {
  if (!visible_) return;
  Rect abs{ox + rect_.x, oy + rect_.y, rect_.w, 1};
  int inner = std::max(1, abs.w - 2);
  Style s = base_style(enabled_);
  auto cps = decode_utf8(text_);
  std::size_t start = static_cast<std::size_t>(scroll_start());
  canvas.put_clipped(abs.x, abs.y, "[", abs, s);
  Rect inside{abs.x + 1, abs.y, inner, 1};
  canvas.fill(inside, s);
  // The caret is the terminal's own cursor (see caret()); a selected text is
  // shown reversed while the field has the focus.
  Style text_style = s;
  text_style.reverse = focused && enabled_ && all_selected_;
  int x = inside.x;
  for (std::size_t i = start; i < cps.size(); ++i) {
    int w = char_width(cps[i]);
    if (x + w > inside.x + inside.w) break;
    canvas.put_clipped(x, abs.y, encode_utf8(cps[i]), inside, text_style);
    x += w;
  }
  canvas.put_clipped(abs.x + abs.w - 1, abs.y, "]", abs, s);
}

bool EditField::caret(int ox, int oy, int* x, int* y) const {
  if (!enabled_ || !visible_) return false;
  auto cps = decode_utf8(text_);
  const std::size_t cur = all_selected_ ? cps.size() : std::min(cursor_, cps.size());
  int col = 0;
  for (std::size_t i = static_cast<std::size_t>(scroll_start()); i < cur; ++i) col += char_width(cps[i]);
  *x = ox + rect_.x + 1 + std::min(col, std::max(0, rect_.w - 3));
  *y = oy + rect_.y;
  return true;
}

std::string EditField::default_key_hint() const {
  return "←→ Home/End ^A/^E 移動  ^U 全消去  ^W 一語消去  Tab 次へ  Esc 閉じる";
}

bool EditField::on_event(const Event& e) {
  if (!enabled_) return false;
  auto cps = decode_utf8(text_);
  cursor_ = std::min(cursor_, cps.size());
  const std::size_t n = cps.size();
  auto erase = [&](std::size_t from, std::size_t to) {  // code points [from, to)
    replace(join_points(cps, 0, from) + join_points(cps, to, n), from);
  };
  if (all_selected_) {
    switch (e.key) {
      case Key::Backspace:
      case Key::Delete: erase(0, n); return true;
      case Key::Left: case Key::Home: all_selected_ = false; cursor_ = 0; return true;
      case Key::Right: case Key::End: all_selected_ = false; cursor_ = n; return true;
      default: break;
    }
  }
  switch (e.key) {
    case Key::Text: user_insert(e.text); return true;
    case Key::Backspace: if (cursor_ > 0) erase(cursor_ - 1, cursor_); return true;
    case Key::Delete: if (cursor_ < n) erase(cursor_, cursor_ + 1); return true;
    case Key::Left: if (cursor_ > 0) --cursor_; return true;
    case Key::Right: if (cursor_ < n) ++cursor_; return true;
    case Key::Home: cursor_ = 0; return true;
    case Key::End: cursor_ = n; return true;
    case Key::Enter:
      if (!enter_notifies_) return false;
      owner_->notify(id_, Notify::Enter);
      return true;
    case Key::Ctrl:
      if (e.text == "a") {
        all_selected_ = false;
        cursor_ = 0;
      } else if (e.text == "e") {
        all_selected_ = false;
        cursor_ = n;
      } else if (e.text == "u") {
        erase(0, n);
      } else if (e.text == "w") {
        // The word before the cursor, and the blanks after it.
        std::size_t from = all_selected_ ? 0 : cursor_;
        std::size_t to = all_selected_ ? n : cursor_;
        while (from > 0 && (cps[from - 1] == ' ' || cps[from - 1] == 0x3000)) --from;
        while (from > 0 && cps[from - 1] != ' ' && cps[from - 1] != 0x3000) --from;
        erase(from, to);
      } else {
        return false;
      }
      return true;
    case Key::MouseDown: {
      // Put the cursor on the clicked character.
      all_selected_ = false;
      int col = e.x - 1;
      std::size_t i = static_cast<std::size_t>(scroll_start());
      int x = 0;
      while (i < n && x + char_width(cps[i]) <= col) {
        x += char_width(cps[i]);
        ++i;
      }
      cursor_ = i;
      return true;
    }
    default: return false;
  }
}

}  // namespace klvc::ui
