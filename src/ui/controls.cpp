#include "ui/controls.h"

#include <algorithm>
#include <cctype>

#include "common/text.h"
#include "ui/dialog.h"
#include "ui/text_width.h"

namespace klvc::ui {
namespace {

constexpr int kMaxPopupRows = 10;

Style base_style(bool enabled) {
  Style s;
  s.dim = !enabled;
  return s;
}

// Splits at '\n'.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    std::size_t nl = text.find('\n', start);
    lines.push_back(text.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lines;
}

}  // namespace

// ---------------------------------------------------------------- Label, GroupBox

void Label::render(Canvas& canvas, int ox, int oy, bool) const {
  if (!visible_) return;
  Rect abs{ox + rect_.x, oy + rect_.y, rect_.w, std::max(1, rect_.h)};
  auto lines = lines_of(text_);
  for (int i = 0; i < abs.h && i < static_cast<int>(lines.size()); ++i)
    canvas.put_clipped(abs.x, abs.y + i, lines[static_cast<std::size_t>(i)], abs, base_style(enabled_));
}

void GroupBox::render(Canvas& canvas, int ox, int oy, bool) const {
  if (!visible_) return;
  canvas.box(Rect{ox + rect_.x, oy + rect_.y, rect_.w, rect_.h}, caption_, base_style(enabled_));
}

// ---------------------------------------------------------------- Button

void Button::render(Canvas& canvas, int ox, int oy, bool focused) const {
  if (!visible_) return;
  Rect abs{ox + rect_.x, oy + rect_.y, rect_.w, 1};
  std::string text = "[ " + label_ + " ]";
  int w = display_width(text);
  if (w > abs.w) {
    text = "[" + fit_width(label_, std::max(0, abs.w - 2)) + "]";
    w = display_width(text);
  }
  Style s = base_style(enabled_);
  s.bold = is_default_ && enabled_;
  s.reverse = focused && enabled_;
  canvas.put_clipped(abs.x + std::max(0, (abs.w - w) / 2), abs.y, text, abs, s);
}

std::string Button::default_key_hint() const { return "Enter/Space 押す  Tab 次へ  Esc 閉じる"; }

bool Button::on_event(const Event& e) {
  if (!enabled_) return false;
  bool press = e.key == Key::Enter || e.key == Key::MouseDown || (e.key == Key::Text && e.text == " ");
  if (!press) return false;
  owner_->click(id_);
  return true;
}

// ---------------------------------------------------------------- ComboBox

void ComboBox::delete_entry(int i) {
  if (i < 0 || i >= count()) return;
  entries_.erase(entries_.begin() + i);
  if (selection_ == i) {
    selection_ = -1;
  } else if (selection_ > i) {
    --selection_;
  }
  highlight_ = std::clamp(highlight_, 0, std::max(0, count() - 1));
  scroll_ = std::clamp(scroll_, 0, std::max(0, count() - 1));
}

void ComboBox::select(int i) {
  selection_ = (i >= 0 && i < count()) ? i : -1;
  if (selection_ >= 0) highlight_ = selection_;
}

std::string ComboBox::selected_text() const {
  return selection_ >= 0 ? entries_[static_cast<std::size_t>(selection_)] : std::string();
}

void ComboBox::open_list() {
  if (!enabled_ || open_) return;
  open_ = true;
  highlight_ = selection_ >= 0 ? selection_ : 0;
  scroll_ = 0;
  move_highlight(highlight_);
}

void ComboBox::close_list() { open_ = false; }

void ComboBox::user_pick(int i) {
  open_ = false;
  if (i < 0 || i >= count() || i == selection_) return;
  selection_ = i;
  highlight_ = i;
  owner_->notify(id_, Notify::SelChange);
}

Rect ComboBox::popup_rect(int ox, int oy, int canvas_height) const {
  int ax = ox + rect_.x;
  int ay = oy + rect_.y;
  int want = std::min(std::max(1, count()), kMaxPopupRows) + 2;
  int below = canvas_height - (ay + 1);
  int above = ay;
  if (want <= below) return Rect{ax, ay + 1, rect_.w, want};
  if (want <= above) return Rect{ax, ay - want, rect_.w, want};
  if (below >= above) return Rect{ax, ay + 1, rect_.w, std::max(3, below)};
  return Rect{ax, ay - above, rect_.w, std::max(3, above)};
}

int ComboBox::visible_rows() const {
  int h = owner_ && owner_->screen_height() > 0 ? owner_->screen_height() : 1000;
  int ox = owner_ ? owner_->origin_x() : 0;
  int oy = owner_ ? owner_->origin_y() : 0;
  return std::max(1, popup_rect(ox, oy, h).h - 2);
}

int ComboBox::next_starting_with(const std::string& typed, int after) const {
  // The next entry after `after` (wrapping round) that starts with what was
  // typed, leading blanks of the entry ignored, and for numbers its leading
  // zeros too ("7" finds "07"); -1 for none.
  const bool digits = !typed.empty() && typed.find_first_not_of("0123456789") == std::string::npos;
  // Letters match either case ("a" finds "Auto").
  auto starts = [&](const std::string& entry) {
    return entry.size() >= typed.size() && same_ignoring_case(std::string_view(entry).substr(0, typed.size()), typed);
  };
  auto bare = [&](int i) {
    std::string entry = entries_[static_cast<std::size_t>(i)];
    entry.erase(0, entry.find_first_not_of(' '));
    return entry;
  };
  auto without_zeros = [](const std::string& number) {
    return number.substr(std::min(number.find_first_not_of('0'), number.size() - 1));
  };
  // An entry that is exactly what was typed comes first: "2" is 2, not 20.
  for (int i = 0; i < count(); ++i) {
    const std::string entry = bare(i);
    if (entry.size() == typed.size() && starts(entry)) return i;
    if (digits && !entry.empty() && entry.find_first_not_of("0123456789") == std::string::npos &&
        without_zeros(entry) == without_zeros(typed))
      return i;
  }
  for (int k = 1; k <= count(); ++k) {
    int i = ((after < 0 ? -1 : after) + k) % count();
    std::string entry = bare(i);
    if (starts(entry)) return i;
    if (digits && entry.size() > 1 && entry[0] == '0' && entry.find_first_not_of("0123456789") == std::string::npos &&
        starts(entry.substr(std::min(entry.find_first_not_of('0'), entry.size() - 1))))
      return i;
  }
  return -1;
}

int ComboBox::type_ahead(const Event& e, int current) {
  // Joined to what came just before ("1" then "2" is 12); otherwise, or when
  // nothing starts with the joined text, the new text alone, from the next entry on.
  const bool joins = !typed_.empty() && e.time_ms - typed_at_ <= kTypeAheadMs && e.time_ms >= typed_at_;
  typed_at_ = e.time_ms;
  if (joins) {
    const int i = next_starting_with(typed_ + e.text, current - 1);
    if (i >= 0) {
      typed_ += e.text;
      return i;
    }
  }
  typed_ = e.text;
  return next_starting_with(typed_, current);
}

std::string ComboBox::default_key_hint() const {
  if (open_) return "↑↓ PgUp/PgDn 移動  Enter 決定  Esc 戻る";
  const bool numbers = std::any_of(entries_.begin(), entries_.end(), [](const std::string& entry) {
    return !entry.empty() && entry.find_first_not_of(" 0123456789") == std::string::npos;
  });
  return numbers ? "↑↓ PgUp/PgDn 選ぶ  数字 番号で選ぶ  Enter 一覧  Tab 次へ  Esc 閉じる"
                 : "↑↓ PgUp/PgDn 選ぶ  Enter 一覧  Tab 次へ  Esc 閉じる";
}

int ComboBox::first_shown(int rows) const {
  // Keep the highlighted entry in view even if the screen changed since the last key.
  int top = scroll_;
  if (highlight_ < top) top = highlight_;
  if (highlight_ >= top + rows) top = highlight_ - rows + 1;
  return std::clamp(top, 0, std::max(0, count() - rows));
}

void ComboBox::move_highlight(int to) {
  if (count() == 0) {
    highlight_ = 0;
    scroll_ = 0;
    return;
  }
  highlight_ = std::clamp(to, 0, count() - 1);
  int rows = visible_rows();
  if (highlight_ < scroll_) scroll_ = highlight_;
  if (highlight_ >= scroll_ + rows) scroll_ = highlight_ - rows + 1;
  scroll_ = std::clamp(scroll_, 0, std::max(0, count() - rows));
}

void ComboBox::render(Canvas& canvas, int ox, int oy, bool focused) const {
  if (!visible_) return;
  Rect abs{ox + rect_.x, oy + rect_.y, rect_.w, 1};
  int inner = std::max(0, abs.w - 4);  // "[" text " v]"
  Style s = base_style(enabled_);
  Style t = s;
  t.reverse = focused && enabled_;
  int x = canvas.put_clipped(abs.x, abs.y, "[", abs, s);
  x = canvas.put_clipped(x, abs.y, pad_to_width(selected_text(), inner), abs, t);
  canvas.put_clipped(x, abs.y, " v]", abs, s);
}

void ComboBox::render_popup(Canvas& canvas, int ox, int oy) const {
  if (!open_ || !visible_) return;
  const int h = owner_ && owner_->screen_height() > 0 ? owner_->screen_height() : canvas.height();
  Rect r = popup_rect(ox, oy, h);
  canvas.fill(r);
  canvas.box(r);
  int rows = r.h - 2;
  int top = first_shown(rows);
  Rect clip{r.x + 1, r.y + 1, r.w - 2, rows};
  for (int i = 0; i < rows && top + i < count(); ++i) {
    Style s;
    s.reverse = top + i == highlight_;
    canvas.put_clipped(clip.x, clip.y + i, pad_to_width(entries_[static_cast<std::size_t>(top + i)], clip.w), clip, s);
  }
  if (top > 0) canvas.put(r.x + r.w - 1, r.y, "^");
  if (top + rows < count()) canvas.put(r.x + r.w - 1, r.y + r.h - 1, "v");
}

bool ComboBox::popup_event(const Event& e) {
  int rows = visible_rows();
  switch (e.key) {
    case Key::Up: move_highlight(highlight_ - 1); return true;
    case Key::Down: move_highlight(highlight_ + 1); return true;
    case Key::PageUp: move_highlight(highlight_ - rows); return true;
    case Key::PageDown: move_highlight(highlight_ + rows); return true;
    case Key::Home: move_highlight(0); return true;
    case Key::End: move_highlight(count() - 1); return true;
    case Key::Enter: user_pick(highlight_); return true;
    case Key::Escape: close_list(); return true;
    case Key::Tab:
    case Key::BackTab: close_list(); return false;
    case Key::WheelUp: move_highlight(highlight_ - 3); return true;
    case Key::WheelDown: move_highlight(highlight_ + 3); return true;
    case Key::Text: {
      if (e.text == " ") {
        user_pick(highlight_);
        return true;
      }
      int i = type_ahead(e, highlight_);
      if (i >= 0) move_highlight(i);
      return true;
    }
    case Key::MouseDown: {
      // e is relative to the control; the popup is placed from the dialog origin.
      int ox = owner_ ? owner_->origin_x() : 0;
      int oy = owner_ ? owner_->origin_y() : 0;
      int h = owner_ && owner_->screen_height() > 0 ? owner_->screen_height() : 1000;
      Rect r = popup_rect(ox, oy, h);
      int ax = ox + rect_.x + e.x;
      int ay = oy + rect_.y + e.y;
      if (ax > r.x && ax < r.x + r.w - 1 && ay > r.y && ay < r.y + r.h - 1) {
        int i = first_shown(r.h - 2) + (ay - r.y - 1);
        if (i < count()) user_pick(i);
      } else if (!r.contains(ax, ay)) {
        close_list();  // a click elsewhere only closes the list
      }
      return true;
    }
    default: return true;  // the open list keeps everything else
  }
}

bool ComboBox::on_event(const Event& e) {
  if (!enabled_) return false;
  if (open_) return popup_event(e);
  switch (e.key) {
    case Key::Up:
      if (selection_ > 0) user_pick(selection_ - 1);
      return true;
    case Key::Down:
      if (selection_ + 1 < count()) user_pick(selection_ + 1);
      return true;
    case Key::Home:
      if (count() > 0) user_pick(0);
      return true;
    case Key::End:
      if (count() > 0) user_pick(count() - 1);
      return true;
    case Key::PageUp:
    case Key::PageDown: {
      if (count() == 0) return true;
      const int step = e.key == Key::PageUp ? -visible_rows() : visible_rows();
      user_pick(std::clamp(std::max(0, selection_) + step, 0, count() - 1));
      return true;
    }
    case Key::Enter:
    case Key::F4:
    case Key::MouseDown: open_list(); return true;
    case Key::Text: {
      if (e.text == " ") {
        open_list();
        return true;
      }
      int i = type_ahead(e, selection_);
      if (i >= 0) user_pick(i);
      return true;
    }
    default: return false;
  }
}

// ---------------------------------------------------------------- ProgressBar, TableArea

void ProgressBar::render(Canvas& canvas, int ox, int oy, bool) const {
  if (!visible_) return;
  Rect abs{ox + rect_.x, oy + rect_.y, rect_.w, 1};
  int cells = std::max(0, abs.w - 2);
  int filled = 0;
  if (hi_ > lo_) {
    long long num = static_cast<long long>(std::clamp(pos_, lo_, hi_) - lo_) * cells;
    filled = static_cast<int>(num / (static_cast<long long>(hi_) - lo_));
  }
  std::string bar = "[";
  for (int i = 0; i < cells; ++i) bar += i < filled ? "█" : "░";
  bar += "]";
  canvas.put_clipped(abs.x, abs.y, bar, abs, base_style(enabled_));
}

void TableArea::render(Canvas& canvas, int ox, int oy, bool) const {
  if (!visible_) return;
  Rect abs{ox + rect_.x, oy + rect_.y, rect_.w, rect_.h};
  canvas.fill(abs);
  for (const Item& it : items_) canvas.put_clipped(abs.x + it.x, abs.y + it.y, it.text, abs);
}

std::string TableArea::painted_text() const {
  Canvas c(rect_.w, rect_.h);
  for (const Item& it : items_) c.put(it.x, it.y, it.text);
  return c.to_string();
}

}  // namespace klvc::ui
