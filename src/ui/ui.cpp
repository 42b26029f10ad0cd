#include "ui/ui.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "ui/key_decoder.h"
#include "ui/text_width.h"
#include "ui/ui_impl.h"

namespace klvc::ui {

Ui::Impl::Impl(Ui* ui, std::unique_ptr<Backend> b) : self(ui), backend(std::move(b)) {
  wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_fd < 0) throw std::runtime_error(std::string("cannot create the event loop's wake-up descriptor: ") + std::strerror(errno));
}

Ui::Impl::~Impl() {
  // Dialogs still open when the program ends go without their end handlers.
  timers.clear();
  boxes.clear();
  while (!modals.empty()) modals.pop_back();
  graveyard.clear();
  if (wake_fd >= 0) close(wake_fd);
}

void Ui::Impl::reap() { graveyard.clear(); }

Ui::Ui(std::unique_ptr<Backend> backend) : impl_(std::make_unique<Impl>(this, std::move(backend))) {}
Ui::~Ui() = default;

std::unique_ptr<Ui> Ui::create_headless(int width, int height) {
  return std::make_unique<Ui>(make_headless_backend(width, height));
}

std::unique_ptr<Ui> Ui::create_terminal(std::string* error) {
  auto backend = make_terminal_backend(error);
  if (!backend) return nullptr;
  return std::make_unique<Ui>(std::move(backend));
}

// ---------------------------------------------------------------- main window

void Ui::set_title(std::string title) { impl_->title = std::move(title); }
void Ui::set_menu(Menu menu) {
  impl_->close_menu();
  impl_->menu = std::move(menu);
}
void Ui::set_toolbar(std::vector<ToolButton> buttons) {
  impl_->toolbar = std::move(buttons);
  impl_->tool_focus = -1;
}
void Ui::set_status_panes(std::vector<StatusPane> panes) { impl_->panes = std::move(panes); }
void Ui::set_status_text(int pane, std::string text) {
  if (pane < 0) return;
  if (pane >= static_cast<int>(impl_->panes.size())) impl_->panes.resize(static_cast<std::size_t>(pane) + 1);
  impl_->panes[static_cast<std::size_t>(pane)].text = std::move(text);
}
std::string Ui::status_text(int pane) const {
  if (pane == 0) return impl_->message_pane_text();
  if (pane < 0 || pane >= static_cast<int>(impl_->panes.size())) return {};
  return impl_->panes[static_cast<std::size_t>(pane)].text;
}
void Ui::set_command_handler(std::function<void(int)> handler) { impl_->command_handler = std::move(handler); }
void Ui::set_command_enabled_query(std::function<bool(int)> q) { impl_->enabled_query = std::move(q); }
void Ui::set_command_prompt_query(std::function<std::string(int)> q) { impl_->prompt_query = std::move(q); }
void Ui::set_close_handler(std::function<void()> handler) { impl_->close_handler = std::move(handler); }
void Ui::set_terminate_handler(std::function<void(int)> handler) { impl_->terminate_handler = std::move(handler); }
void Ui::set_view_painter(std::function<void(Canvas&, const Rect&)> paint) { impl_->view_painter = std::move(paint); }
void Ui::set_accelerators(std::vector<Accelerator> keys) { impl_->accelerators = std::move(keys); }

void Ui::command(int id) {
  impl_->close_menu();
  if (!impl_->is_enabled(id)) return;
  if (impl_->command_handler) impl_->command_handler(id);
}

bool Ui::menu_open() const { return impl_->menu_state.open; }

// ---------------------------------------------------------------- dialogs

Dialog& Ui::open_modal(std::unique_ptr<Dialog> dialog, std::function<void(Dialog&, int)> on_end) {
  if (!dialog) throw std::invalid_argument("open_modal needs a dialog");
  impl_->close_menu();
  Dialog& d = *dialog;
  impl_->modals.push_back({std::move(dialog), std::move(on_end)});
  d.attach(this);
  impl_->layout_dialog(d);
  d.on_init();
  if (!d.ended() && !d.focused()) d.focus_next(false);
  return d;
}

void Ui::end_modal(Dialog& d, int result) {
  if (d.ended()) return;
  d.mark_ended(result);
  d.on_end();
  kill_timers_of(&d);
  auto& modals = impl_->modals;
  auto it = std::find_if(modals.begin(), modals.end(), [&](const Impl::Modal& m) { return m.dialog.get() == &d; });
  if (it == modals.end()) return;  // not opened here
  Impl::Modal m = std::move(*it);
  modals.erase(it);
  if (m.on_end) m.on_end(d, result);
  // The dialog may still be running the handler that ended it.
  impl_->graveyard.push_back(std::move(m.dialog));
}

Dialog* Ui::top_dialog() const {
  return impl_->modals.empty() ? nullptr : impl_->modals.back().dialog.get();
}

int Ui::dialog_depth() const { return static_cast<int>(impl_->modals.size()); }

// The bottom line shows the keys that work; dialogs stand above it.
int Ui::Impl::dialog_area_height() const { return std::max(1, backend->height() - 1); }

void Ui::Impl::layout_dialog(Dialog& d) const {
  int w = backend->width();
  int h = dialog_area_height();
  int ox = std::max(1, (w - (d.width() + 2)) / 2 + 1);
  int oy = std::max(1, (h - (d.height() + 2)) / 2 + 1);
  d.set_layout(ox, oy, w, h);  // an open list's box stays above the key line too
}

bool Ui::Impl::dialog_fits(const Dialog& d) const {
  return d.width() + 2 <= backend->width() && d.height() + 2 <= dialog_area_height();
}

// ---------------------------------------------------------------- message boxes

void Ui::message_box(MessageBoxSpec form, std::function<void(BoxResult)> on_close) {
  bool beep = form.beep;
  impl_->close_menu();
  for (const Impl::OpenBox& open : impl_->boxes) {
    MessageBoxSpec& earlier = impl_->shown[open.shown_index].form;
    if (!form.merge_key.empty() && earlier.merge_key == form.merge_key && !open.on_close) {
      earlier = std::move(form);  // the latest state, in the box already there
      return;
    }
  }
  const int focus = form.buttons == MessageButtons::YesNo && form.default_no ? 1 : 0;
  impl_->shown.push_back({std::move(form), true, BoxResult::Cancel});
  impl_->boxes.push_back({impl_->shown.size() - 1, std::move(on_close), focus, clock().now_ms(), false});
  if (beep) {
    ++impl_->bells;
    impl_->backend->bell();
  }
}

bool Ui::message_box_open() const { return !impl_->boxes.empty(); }
const std::vector<ShownBox>& Ui::shown_boxes() const { return impl_->shown; }

void Ui::clear_shown_boxes() {
  // Boxes still open keep their records (their answers land there).
  std::vector<ShownBox> keep;
  for (auto& b : impl_->boxes) {
    keep.push_back(impl_->shown[b.shown_index]);
    b.shown_index = keep.size() - 1;
  }
  impl_->shown = std::move(keep);
}

void Ui::answer_box(BoxResult result) {
  if (impl_->boxes.empty()) return;
  Impl::OpenBox box = std::move(impl_->boxes.front());
  impl_->boxes.erase(impl_->boxes.begin());
  if (!impl_->boxes.empty()) impl_->boxes.front().shown_at = clock().now_ms();
  ShownBox& record = impl_->shown[box.shown_index];
  record.open = false;
  record.result = result;
  if (box.on_close) box.on_close(result);
}

int Ui::bell_count() const { return impl_->bells; }

// ---------------------------------------------------------------- input

void Ui::Impl::dispatch(const Event& in) {
  Event e = in;
  e.time_ms = backend->clock().now_ms();
  if (e.key == Key::Ctrl && e.text == "c") {  // as SIGINT would: ask to close
    request_close();
    return;
  }
  if (e.key == Key::Ctrl && e.text == "z") {
    backend->suspend();
    return;
  }
  if (e.key == Key::Resize) return;  // every frame is laid out afresh
  if (!boxes.empty() && !typed_before_box(e)) {
    box_event(e);
    return;
  }
  if (!modals.empty()) {
    Dialog& d = *modals.back().dialog;
    layout_dialog(d);
    // Under the "too small" notice the dialog cannot be seen: nothing typed
    // may reach it unseen. Esc still closes it.
    if (!dialog_fits(d) && e.key != Key::Escape) return;
    Event local = e;
    bool is_mouse = e.key == Key::MouseDown || e.key == Key::MouseUp || e.key == Key::WheelUp || e.key == Key::WheelDown;
    if (is_mouse) {
      local.x -= d.origin_x();
      local.y -= d.origin_y();
    }
    d.on_event(local);
    return;
  }
  main_event(e);
}

void Ui::feed(const Event& e) {
  EntryGuard guard(*impl_);
  impl_->dispatch(e);
}

void Ui::feed_bytes(const std::string& raw) {
  EntryGuard guard(*impl_);
  std::vector<Event> events;
  impl_->pending_bytes += raw;
  std::size_t used = decode_input(impl_->pending_bytes, true, events);
  impl_->pending_bytes.erase(0, used);
  for (const Event& e : events) impl_->dispatch(e);
}

void Ui::advance(std::int64_t ms) {
  EntryGuard guard(*impl_);
  auto* test_clock = dynamic_cast<TestClock*>(&clock());
  if (!test_clock) {
    std::size_t budget = impl_->timers.size();
    while (budget-- > 0 && impl_->fire_next_due(clock().now_ms())) {
    }
    return;
  }
  std::int64_t target = test_clock->now_ms() + std::max<std::int64_t>(0, ms);
  for (;;) {
    // Step the clock to the earliest deadline, fire it, and go on.
    std::int64_t earliest = target + 1;
    for (const auto& [key, t] : impl_->timers) earliest = std::min(earliest, t.deadline);
    if (earliest > target) break;
    if (earliest > test_clock->now_ms()) test_clock->set(earliest);
    impl_->fire_next_due(test_clock->now_ms());
  }
  test_clock->set(target);
}

Clock& Ui::clock() { return impl_->backend->clock(); }

// ---------------------------------------------------------------- output

namespace {

// Hints are "key what" pairs two spaces apart, the way out last: when they do
// not fit, the ones before the last give way from the end, so the last
// ("Ctrl+C 終了", "Esc 閉じる") always shows.
std::string fit_key_hint(const std::string& hint, int cells) {
  std::vector<std::string> parts;
  for (std::size_t at = 0;;) {
    const std::size_t gap = hint.find("  ", at);
    parts.push_back(hint.substr(at, gap == std::string::npos ? std::string::npos : gap - at));
    if (gap == std::string::npos) break;
    at = gap + 2;
  }
  auto joined = [&] {
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "  ") + p;
    return out;
  };
  std::string out = joined();
  while (display_width(out) > cells && parts.size() > 2) {
    parts.erase(parts.end() - 2);
    out = joined();
  }
  return out;
}

}  // namespace

const Canvas& Ui::render() {
  Impl& m = *impl_;
  int w = m.backend->width();
  int h = m.backend->height();
  if (m.canvas.width() != w || m.canvas.height() != h) m.canvas = Canvas(w, h);
  m.canvas.clear();
  m.render_main(m.canvas);
  const int area = m.dialog_area_height();
  bool top_fits = false;
  for (auto& modal : m.modals) {
    Dialog& d = *modal.dialog;
    m.layout_dialog(d);
    top_fits = m.dialog_fits(d);
    if (top_fits) {
      d.render(m.canvas, d.origin_x(), d.origin_y());
    } else {
      std::string need = "端末が小さすぎます。「" + d.caption() + "」には " + std::to_string(d.width() + 2) + "x" +
                         std::to_string(d.height() + 3) + " が必要です（今は " + std::to_string(w) + "x" +
                         std::to_string(h) + "）。ウィンドウを広げてください（Esc でダイアログを閉じます）。";
      auto lines = wrap_to_width(need, std::max(1, w - 2));
      int bh = std::min(area, static_cast<int>(lines.size()) + 2);
      Rect r{0, std::max(0, (area - bh) / 2), w, bh};
      m.canvas.fill(r);
      m.canvas.box(r, d.caption());
      for (int i = 0; i < bh - 2; ++i) m.canvas.put_clipped(1, r.y + 1 + i, lines[static_cast<std::size_t>(i)], r);
    }
  }
  if (!m.boxes.empty()) m.render_box(m.canvas, m.boxes.front());
  // The bottom line: the keys that work where the focus is.
  if (h >= 5) {
    Style dim;
    dim.dim = true;
    m.canvas.fill(Rect{0, h - 1, w, 1});
    m.canvas.put_clipped(1, h - 1, fit_key_hint(key_hint(), w - 2), Rect{1, h - 1, std::max(0, w - 2), 1}, dim);
  }
  // The terminal's cursor belongs to the focused edit field of the top
  // dialog, and to nothing while a box or a menu is in front.
  int cx = 0;
  int cy = 0;
  if (m.boxes.empty() && !m.modals.empty() && top_fits && m.modals.back().dialog->caret(&cx, &cy)) {
    m.canvas.set_cursor(cx, cy);
  }
  return m.canvas;
}

std::string Ui::key_hint() const {
  const Impl& m = *impl_;
  if (!m.boxes.empty()) return m.box_key_hint();
  if (!m.modals.empty()) {
    const Dialog& top = *m.modals.back().dialog;
    // Under the too-small notice only Esc acts.
    return m.dialog_fits(top) ? top.key_hint() : "Esc 閉じる  （端末を広げると表示）";
  }
  return m.main_key_hint();
}

std::string Ui::screen_text() {
  EntryGuard guard(*impl_);
  return render().to_string();
}

void Ui::resize(int width, int height) { impl_->backend->resize(width, height); }
int Ui::width() const { return impl_->backend->width(); }
int Ui::height() const { return impl_->backend->height(); }

}  // namespace klvc::ui
