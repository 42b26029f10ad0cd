// A modal dialog: a framed window with a caption and controls, opened on the
// Ui's modal stack. Subclasses build controls in their constructor and react
// in the virtual handlers, as platform dialogs do.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/controls.h"

namespace klvc::ui {

class Ui;

// Enter: Enter pressed in an edit field that asked for it.
enum class Notify { Clicked, SelChange, Change, Enter };

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

class Dialog {
 public:
  // width and height of the client area in cells.
  Dialog(std::string caption, int width, int height);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // --- building ---
  Label& add_label(Rect r, std::string text, int id = -1);
  GroupBox& add_group(Rect r, std::string caption, int id = -1);
  Button& add_button(int id, Rect r, std::string label, bool is_default = false);
  ComboBox& add_combo(int id, Rect r, std::vector<std::string> entries);
  EditField& add_edit(int id, Rect r);
  ProgressBar& add_progress(int id, Rect r);
  TableArea& add_table(int id, Rect r);
  // Adds a control of another kind, made for this dialog.
  Control& adopt(std::unique_ptr<Control> control);

  // --- access (throws std::out_of_range for an unknown id) ---
  Control& control(int id);
  Control* find(int id);
  ComboBox& combo(int id);
  EditField& edit(int id);
  Button& button(int id);
  ProgressBar& progress(int id);
  TableArea& table(int id);
  Label& label(int id);
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

  void set_caption(std::string caption) { caption_ = std::move(caption); }
  const std::string& caption() const { return caption_; }
  int width() const { return width_; }
  int height() const { return height_; }

  // Window timers of this dialog; they end with the dialog.
  void set_timer(int timer_id, int period_ms);
  void kill_timer(int timer_id);
  bool timer_active(int timer_id) const;

  void end_dialog(int result);
  bool ended() const { return ended_; }
  int result() const { return result_; }
  Ui* ui() const { return ui_; }

  // Tab follows the eye: focusable controls in reading order, top to bottom
  // and left to right by their rectangles (the order added breaks ties).
  Control* focused() const;
  void focus(int id);
  void focus_next(bool backwards);
  std::vector<int> tab_order() const;  // control indexes in that order
  // Where the terminal's cursor belongs on the screen (the focused field's caret).
  bool caret(int* x, int* y) const;
  // The keys that work at the focused control, for the bottom line.
  std::string key_hint() const;

  // --- handlers ---
  virtual void on_init() {}
  virtual void on_command(int id, Notify notify) { (void)id; (void)notify; }
  virtual void on_timer(int timer_id) { (void)timer_id; }
  virtual void on_ok() { end_dialog(kIdOk); }          // button 1, Enter on the default button
  virtual void on_cancel() { end_dialog(kIdCancel); }  // button 2, Esc, the close box
  // Runs once when the dialog ends, whichever way (timers are killed after it).
  virtual void on_end() {}

  // Routing used by controls and the Ui (also what tests call as "the user").
  void notify(int id, Notify n);   // on_command unless the control is disabled
  void click(int id);              // what a click on button `id` does
  bool on_event(const Event& e);   // keyboard/mouse for this dialog (mouse relative to client)
  void render(Canvas& canvas, int ox, int oy) const;  // frame drawn around the client area

  // Internal: the Ui attaches itself when the dialog is opened (timers set
  // before that start then), and tells the dialog where it stands on the screen.
  void attach(Ui* ui);
  void set_layout(int ox, int oy, int screen_width, int screen_height);
  int origin_x() const { return origin_x_; }
  int origin_y() const { return origin_y_; }
  int screen_width() const { return screen_width_; }
  int screen_height() const { return screen_height_; }
  // Internal: marks the end without the Ui (the Ui runs the rest of the ending).
  void mark_ended(int result) { ended_ = true; result_ = result; }

 private:
  template <class T, class... A>
  T& add(A&&... args);
  std::string caption_;
  int width_;
  int height_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::map<int, Control*> by_id_;
  int focus_index_ = -1;
  bool ended_ = false;
  int result_ = 0;
  Ui* ui_ = nullptr;
  std::map<int, int> early_timers_;  // set before the dialog was opened: id -> period
  int origin_x_ = 0;
  int origin_y_ = 0;
  int screen_width_ = 0;
  int screen_height_ = 0;
};

}  // namespace klvc::ui
