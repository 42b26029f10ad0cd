#include "ui/list_box.h"

#include <algorithm>

#include "ui/dialog.h"
#include "ui/text_width.h"

namespace klvc::ui {

void ListBox::set_entries(std::vector<std::string> entries) {
  entries_ = std::move(entries);
  selection_ = entries_.empty() ? -1 : 0;
  scroll_ = 0;
}

void ListBox::select(int i) {
  selection_ = (i >= 0 && i < count()) ? i : -1;
  if (selection_ < 0) return;
  if (selection_ < scroll_) scroll_ = selection_;
  if (selection_ >= scroll_ + rows()) scroll_ = selection_ - rows() + 1;
}

std::string ListBox::selected_text() const {
  return selection_ >= 0 ? entries_[static_cast<std::size_t>(selection_)] : std::string();
}

void ListBox::user_select(int i) {
  if (count() == 0) return;
  i = std::clamp(i, 0, count() - 1);
  if (i == selection_) return;
  select(i);
  owner_->notify(id_, Notify::SelChange);
}

void ListBox::render(Canvas& canvas, int ox, int oy, bool focused) const {
  if (!visible_) return;
  Rect abs{ox + rect_.x, oy + rect_.y, rect_.w, rect_.h};
  Style frame;
  frame.dim = !enabled_;
  canvas.fill(abs);
  canvas.box(abs, {}, frame);
  Rect inner{abs.x + 1, abs.y + 1, abs.w - 2, rows()};
  for (int i = 0; i < inner.h && scroll_ + i < count(); ++i) {
    Style s;
    s.dim = !enabled_;
    s.reverse = scroll_ + i == selection_ && focused;
    s.underline = scroll_ + i == selection_ && !focused;
    canvas.put_clipped(inner.x, inner.y + i, pad_to_width(entries_[static_cast<std::size_t>(scroll_ + i)], inner.w), inner, s);
  }
  if (scroll_ > 0) canvas.put(abs.x + abs.w - 1, abs.y, "^");
  if (scroll_ + rows() < count()) canvas.put(abs.x + abs.w - 1, abs.y + abs.h - 1, "v");
}

bool ListBox::on_event(const Event& e) {
  if (!enabled_) return false;
  switch (e.key) {
    case Key::Up: user_select(selection_ - 1); return true;
    case Key::Down: user_select(selection_ + 1); return true;
    case Key::PageUp: user_select(selection_ - rows()); return true;
    case Key::PageDown: user_select(selection_ + rows()); return true;
    case Key::Home: user_select(0); return true;
    case Key::End: user_select(count() - 1); return true;
    case Key::WheelUp: scroll_ = std::max(0, scroll_ - 3); return true;
    case Key::WheelDown: scroll_ = std::clamp(scroll_ + 3, 0, std::max(0, count() - rows())); return true;
    case Key::Enter:
      if (selection_ >= 0) owner_->notify(id_, Notify::Clicked);
      return true;
    case Key::MouseDown: {
      int i = scroll_ + e.y - 1;
      if (e.y < 1 || e.y > rows() || i >= count()) return true;
      if (i == selection_) {
        owner_->notify(id_, Notify::Clicked);
      } else {
        user_select(i);
      }
      return true;
    }
    default: return false;
  }
}

}  // namespace klvc::ui
