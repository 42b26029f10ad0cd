#include "ui/dialog.h"

#include <algorithm>
#include <stdexcept>

#include "ui/text_width.h"
#include "ui/ui.h"

namespace klvc::ui {

Dialog::Dialog(std::string caption, int width, int height)
    : caption_(std::move(caption)), width_(width), height_(height) {}

Dialog::~Dialog() = default;

template <class T, class... A>
T& Dialog::add(A&&... args) {
  auto control = std::make_unique<T>(this, std::forward<A>(args)...);
  T& ref = *control;
  if (ref.id() >= 0) by_id_[ref.id()] = &ref;
  controls_.push_back(std::move(control));
  return ref;
}

Label& Dialog::add_label(Rect r, std::string text, int id) { return add<Label>(id, r, std::move(text)); }
GroupBox& Dialog::add_group(Rect r, std::string caption, int id) { return add<GroupBox>(id, r, std::move(caption)); }
Button& Dialog::add_button(int id, Rect r, std::string label, bool is_default) {
  return add<Button>(id, r, std::move(label), is_default);
}
ComboBox& Dialog::add_combo(int id, Rect r, std::vector<std::string> entries) {
  return add<ComboBox>(id, r, std::move(entries));
}
EditField& Dialog::add_edit(int id, Rect r) { return add<EditField>(id, r); }
ProgressBar& Dialog::add_progress(int id, Rect r) { return add<ProgressBar>(id, r); }
TableArea& Dialog::add_table(int id, Rect r) { return add<TableArea>(id, r); }

Control& Dialog::adopt(std::unique_ptr<Control> control) {
  Control& ref = *control;
  if (ref.id() >= 0) by_id_[ref.id()] = &ref;
  controls_.push_back(std::move(control));
  return ref;
}

Control* Dialog::find(int id) {
  auto it = by_id_.find(id);
  return it == by_id_.end() ? nullptr : it->second;
}

Control& Dialog::control(int id) {
  Control* c = find(id);
  if (!c) throw std::out_of_range("dialog \"" + caption_ + "\" has no control " + std::to_string(id));
  return *c;
}

namespace {
template <class T>
T& as(Control& c, const char* what) {
  T* t = dynamic_cast<T*>(&c);
  if (!t) throw std::out_of_range("control " + std::to_string(c.id()) + " is not a " + what);
  return *t;
}
}  // namespace

ComboBox& Dialog::combo(int id) { return as<ComboBox>(control(id), "drop-down list"); }
EditField& Dialog::edit(int id) { return as<EditField>(control(id), "edit field"); }
Button& Dialog::button(int id) { return as<Button>(control(id), "button"); }
ProgressBar& Dialog::progress(int id) { return as<ProgressBar>(control(id), "progress bar"); }
TableArea& Dialog::table(int id) { return as<TableArea>(control(id), "table area"); }
Label& Dialog::label(int id) { return as<Label>(control(id), "label"); }

// ---------------------------------------------------------------- timers, ending

void Dialog::attach(Ui* ui) {
  ui_ = ui;
  if (!ui_) return;
  auto early = std::move(early_timers_);
  early_timers_.clear();
  for (const auto& [id, period] : early) set_timer(id, period);
}

void Dialog::set_layout(int ox, int oy, int screen_width, int screen_height) {
  origin_x_ = ox;
  origin_y_ = oy;
  screen_width_ = screen_width;
  screen_height_ = screen_height;
}

void Dialog::set_timer(int timer_id, int period_ms) {
  if (ended_) return;
  if (!ui_) {
    early_timers_[timer_id] = period_ms;
    return;
  }
  ui_->set_timer(this, timer_id, period_ms, [this, timer_id] { on_timer(timer_id); });
}

void Dialog::kill_timer(int timer_id) {
  early_timers_.erase(timer_id);
  if (ui_) ui_->kill_timer(this, timer_id);
}

bool Dialog::timer_active(int timer_id) const {
  if (!ui_) return early_timers_.count(timer_id) != 0;
  return ui_->timer_active(this, timer_id);
}

void Dialog::end_dialog(int result) {
  if (ended_) return;
  if (ui_) {
    ui_->end_modal(*this, result);
  } else {
    ended_ = true;
    result_ = result;
    early_timers_.clear();
    on_end();
  }
}

// ---------------------------------------------------------------- focus

Control* Dialog::focused() const {
  if (focus_index_ < 0 || focus_index_ >= static_cast<int>(controls_.size())) return nullptr;
  return controls_[static_cast<std::size_t>(focus_index_)].get();
}

void Dialog::focus(int id) {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i]->id() == id) {
      if (auto* open = dynamic_cast<ComboBox*>(focused()); open && static_cast<int>(i) != focus_index_)
        open->close_list();
      focus_index_ = static_cast<int>(i);
      return;
    }
  }
}

std::vector<int> Dialog::tab_order() const {
  std::vector<int> order;
  for (std::size_t i = 0; i < controls_.size(); ++i) order.push_back(static_cast<int>(i));
  std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
    const Rect& ra = controls_[static_cast<std::size_t>(a)]->rect();
    const Rect& rb = controls_[static_cast<std::size_t>(b)]->rect();
    return ra.y != rb.y ? ra.y < rb.y : ra.x < rb.x;
  });
  return order;
}

void Dialog::focus_next(bool backwards) {
  const std::vector<int> order = tab_order();
  const int n = static_cast<int>(order.size());
  if (n == 0) return;
  if (auto* open = dynamic_cast<ComboBox*>(focused())) open->close_list();
  const auto at = std::find(order.begin(), order.end(), focus_index_);
  int k = at == order.end() ? -1 : static_cast<int>(at - order.begin());
  for (int step = 0; step < n; ++step) {
    if (k < 0) {
      k = backwards ? n - 1 : 0;
    } else {
      k = (k + (backwards ? n - 1 : 1)) % n;
    }
    const int i = order[static_cast<std::size_t>(k)];
    if (controls_[static_cast<std::size_t>(i)]->focusable()) {
      focus_index_ = i;
      return;
    }
  }
}

bool Dialog::caret(int* x, int* y) const {
  const Control* f = focused();
  if (!f || !f->visible() || !f->enabled()) return false;
  if (auto* combo = dynamic_cast<const ComboBox*>(f); combo && combo->is_open()) return false;
  return f->caret(origin_x_, origin_y_, x, y);
}

std::string Dialog::key_hint() const {
  const Control* f = focused();
  if (f && f->visible() && f->enabled()) return f->key_hint();
  return "Tab 次へ  Esc 閉じる";
}

// ---------------------------------------------------------------- routing

void Dialog::notify(int id, Notify n) {
  if (ended_) return;
  Control* c = find(id);
  if (c && !c->enabled()) return;
  on_command(id, n);
}

void Dialog::click(int id) {
  if (ended_) return;
  Control* c = find(id);
  if (c && (!c->enabled() || !c->visible())) return;
  if (id == kIdOk) {
    on_ok();
  } else if (id == kIdCancel) {
    on_cancel();
  } else {
    on_command(id, Notify::Clicked);
  }
}

bool Dialog::on_event(const Event& e) {
  if (ended_) return false;
  Control* f = focused();
  if (f && (!f->enabled() || !f->visible())) f = nullptr;
  auto relative = [](const Event& ev, const Control& c) {
    Event r = ev;
    r.x -= c.rect().x;
    r.y -= c.rect().y;
    return r;
  };
  // An open list keeps the keyboard and the mouse until it closes.
  if (auto* combo = dynamic_cast<ComboBox*>(f); combo && combo->is_open()) {
    bool is_mouse = e.key == Key::MouseDown || e.key == Key::MouseUp;
    if (combo->on_event(is_mouse ? relative(e, *combo) : e)) return true;
    f = nullptr;  // Tab closed it and moves on
  }
  switch (e.key) {
    case Key::MouseDown: {
      if (e.y == -1 && e.x >= width_ - 3 && e.x < width_) {  // the close box
        Control* cancel = find(kIdCancel);
        if (!cancel || cancel->enabled()) on_cancel();
        return true;
      }
      for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        Control& c = **it;
        if (!c.visible() || !c.focusable() || !c.rect().contains(e.x, e.y)) continue;
        focus_index_ = static_cast<int>(controls_.rend() - it) - 1;
        c.on_event(relative(e, c));
        return true;
      }
      return false;
    }
    case Key::MouseUp: return false;
    case Key::WheelUp:
    case Key::WheelDown:
      return f ? f->on_event(e) : false;
    default: break;
  }
  if (f && f->on_event(e)) return true;
  switch (e.key) {
    case Key::Tab: focus_next(false); return true;
    case Key::BackTab: focus_next(true); return true;
    case Key::Left:
    case Key::Up:
    case Key::Right:
    case Key::Down:
      // On a button the arrows move the focus as Tab does (a control that wants them took them above).
      if (!dynamic_cast<Button*>(f)) return false;
      focus_next(e.key == Key::Left || e.key == Key::Up);
      return true;
    case Key::Enter:
      for (auto& c : controls_) {
        auto* b = dynamic_cast<Button*>(c.get());
        if (b && b->is_default()) {
          if (b->enabled() && b->visible()) click(b->id());
          return true;
        }
      }
      return false;
    case Key::Escape: {
      Control* cancel = find(kIdCancel);
      if (!cancel || cancel->enabled()) on_cancel();
      return true;
    }
    default: return false;
  }
}

void Dialog::render(Canvas& canvas, int ox, int oy) const {
  Rect frame{ox - 1, oy - 1, width_ + 2, height_ + 2};
  canvas.fill(frame);
  canvas.box(frame);
  std::string title = " " + fit_width(caption_, std::max(0, width_ - 6)) + " ";
  canvas.put_clipped(ox + 1, oy - 1, title, frame, Style{true, false, false, false});
  canvas.put_clipped(ox + width_ - 3, oy - 1, "[x]", frame);
  const Control* f = focused();
  const ComboBox* open = nullptr;
  for (const auto& c : controls_) {
    if (!c->visible()) continue;
    c->render(canvas, ox, oy, c.get() == f);
    if (auto* combo = dynamic_cast<const ComboBox*>(c.get()); combo && combo->is_open()) open = combo;
  }
  if (open) open->render_popup(canvas, ox, oy);
}

}  // namespace klvc::ui
