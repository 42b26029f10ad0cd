// The Ui's private state, shared by the files that implement it.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ui/backend.h"
#include "ui/ui.h"

namespace klvc::ui {

struct MenuState {
  bool open = false;
  int top = 0;
  std::vector<int> path;  // highlighted index at each open level, -1 for none
};

struct Ui::Impl {
  Ui* self = nullptr;
  std::unique_ptr<Backend> backend;
  Canvas canvas{0, 0};

  // main window
  std::string title;
  Menu menu;
  std::vector<ToolButton> toolbar;
  std::vector<StatusPane> panes;
  std::vector<Accelerator> accelerators;
  std::function<void(int)> command_handler;
  std::function<bool(int)> enabled_query;
  std::function<std::string(int)> prompt_query;
  std::function<void()> close_handler;
  std::function<void(int)> terminate_handler;
  std::function<void(Canvas&, const Rect&)> view_painter;
  MenuState menu_state;
  int tool_focus = -1;

  // modal dialogs; ended ones wait in the graveyard until no handler runs
  struct Modal {
    std::unique_ptr<Dialog> dialog;
    std::function<void(Dialog&, int)> on_end;
  };
  std::vector<Modal> modals;
  std::vector<std::unique_ptr<Dialog>> graveyard;
  int depth = 0;

  // message boxes
  struct OpenBox {
    std::size_t shown_index;
    std::function<void(BoxResult)> on_close;
    int focus = 0;  // 0 the first button (OK or Yes), 1 No
    std::int64_t shown_at = 0;  // when it came to the front (clock ms)
    bool drawn = false;         // it has been on the terminal
  };
  std::vector<OpenBox> boxes;  // in the order raised; the first is on screen
  bool draining_before_box = false;  // handing on keys typed before the front box was drawn
  std::vector<ShownBox> shown;
  int bells = 0;

  // timers
  struct Timer {
    std::int64_t deadline;
    int period;
    std::uint64_t seq;
    std::shared_ptr<std::function<void()>> fire;
  };
  std::map<std::pair<const void*, int>, Timer> timers;
  std::uint64_t timer_seq = 0;

  // callbacks from other threads
  std::mutex post_mutex;
  std::deque<std::function<void()>> posted;
  int wake_fd = -1;
  std::atomic<bool> quit{false};
  bool presented = false;

  // input bytes waiting for the rest of a sequence (feed_bytes)
  std::string pending_bytes;

  explicit Impl(Ui* ui, std::unique_ptr<Backend> b);
  ~Impl();

  // loop pieces (ui.cpp)
  void dispatch(const Event& e);
  void request_close();
  void terminate(int signal_number);
  bool fire_next_due(std::int64_t limit);
  void layout_dialog(Dialog& d) const;
  bool dialog_fits(const Dialog& d) const;
  int dialog_area_height() const;  // rows above the key-hint line
  void reap();

  // main window (main_window.cpp)
  void render_main(Canvas& c);
  void main_event(const Event& e);
  void menu_event(const Event& e);
  void open_menu(int top);
  void close_menu();
  bool is_enabled(int command) const;
  std::string prompt_of(int command) const;
  std::string message_pane_text() const;
  std::string main_key_hint() const;

  // message boxes (message_box.cpp)
  void render_box(Canvas& c, const OpenBox& box) const;
  void box_event(const Event& e);
  // A key typed before the front box could have been seen: not the box's.
  bool typed_before_box(const Event& e) const;
  std::string box_key_hint() const;
};

// Counts nested entries so ended dialogs are destroyed only when no handler runs.
class EntryGuard {
 public:
  explicit EntryGuard(Ui::Impl& impl) : impl_(impl) {
    if (impl_.depth == 0) impl_.reap();
    ++impl_.depth;
  }
  ~EntryGuard() { --impl_.depth; }
  EntryGuard(const EntryGuard&) = delete;
  EntryGuard& operator=(const EntryGuard&) = delete;

 private:
  Ui::Impl& impl_;
};

}  // namespace klvc::ui
