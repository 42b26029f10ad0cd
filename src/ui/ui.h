// The user-interface thread's one event loop and window stack: the main
// window (menu bar, toolbar line, status bar), modal dialogs, message boxes,
// window timers, and callbacks posted from other threads.
//
// Two backends: the terminal (raw mode, alternate screen) and a headless one
// with a test clock, driven by tests through the same objects.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/box_result.h"
#include "ui/canvas.h"
#include "ui/clock.h"
#include "ui/dialog.h"
#include "ui/event.h"
#include "ui/menu.h"

namespace klvc::ui {

enum class MessageIcon { None, Error, Warning, Question, Information };
enum class MessageButtons { Ok, YesNo };

struct MessageBoxSpec {
  std::string text;
  std::string caption;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
  bool beep = true;
  bool default_no = false;  // a question whose safe answer is No: Enter answers No
  // Raised by something other than the key just pressed (an answer, the
  // link): keys typed in the moment before it came up were meant for what
  // was on screen then, and go there, not to this box.
  bool unasked = false;
  // Boxes of one non-empty key are one box: a new one, while an earlier is
  // still open, changes that box to the new text instead of queueing another.
  std::string merge_key;
};

// A box as it was shown (tests read these).
struct ShownBox {
  MessageBoxSpec form;
  bool open = true;
  BoxResult result = BoxResult::Cancel;  // the answer, once closed
};

class Backend;

class Ui {
 public:
  // Terminal backend: fails (returns nullptr, with the reason in *error, such
  // as "standard input is not a terminal") when standard input/output is not a
  // terminal. Once the terminal hangs up, the close handler runs and the loop ends.
  static std::unique_ptr<Ui> create_terminal(std::string* error);
  // Headless backend of the given size, with its own TestClock.
  static std::unique_ptr<Ui> create_headless(int width = 100, int height = 32);
  ~Ui();

  // --- main window ---
  void set_title(std::string title);
  void set_menu(Menu menu);
  void set_toolbar(std::vector<ToolButton> buttons);
  void set_status_panes(std::vector<StatusPane> panes);  // pane 0 is the message pane
  void set_status_text(int pane, std::string text);
  // What the pane shows: for pane 0 the prompt of the highlighted menu item or
  // toolbar button while there is one, else the text set.
  std::string status_text(int pane) const;
  // Runs a menu or toolbar command; asks `is_enabled` before (greyed commands do nothing).
  void set_command_handler(std::function<void(int command)> handler);
  void set_command_enabled_query(std::function<bool(int command)> is_enabled);
  // Prompt shown in the status bar while a menu item or toolbar button is highlighted.
  void set_command_prompt_query(std::function<std::string(int command)> prompt);
  // Called when the operator closes the main window (q on the bar, Ctrl+C, SIGINT).
  void set_close_handler(std::function<void()> handler);
  // Called when the program is told to end (SIGTERM), or its terminal went
  // away (SIGHUP, end of input), with that signal's number. Nobody is asked
  // anything: the loop ends after the handler, whatever it does.
  void set_terminate_handler(std::function<void(int signal_number)> handler);
  // Paints the main window's view: the area between the toolbar and the status bar.
  void set_view_painter(std::function<void(Canvas&, const Rect&)> paint);
  void set_accelerators(std::vector<Accelerator> keys);
  void command(int id);  // as if chosen from the menu
  // Menu state, for tests and the frame: whether a menu is pulled down, and
  // the command of the highlighted item (0 for none, a rule or a submenu).
  bool menu_open() const;
  int highlighted_command() const;

  // --- modal dialogs ---
  // Opens `dialog` above everything else, runs on_init, and calls `on_end`
  // with the dialog and its result once it has ended; the dialog is destroyed
  // after, at the next call into the Ui (never while its own handler runs).
  Dialog& open_modal(std::unique_ptr<Dialog> dialog, std::function<void(Dialog&, int)> on_end = {});
  Dialog* top_dialog() const;
  int dialog_depth() const;
  // Internal: what Dialog::end_dialog runs for an open dialog.
  void end_modal(Dialog& dialog, int result);

  // --- message boxes (modal above everything, on_close gets the result) ---
  // Boxes raised while one is on screen wait their turn: they are shown one at
  // a time in the order raised, so the first cause is the first box.
  // Esc on a Yes/No question answers Cancel: neither Yes nor No.
  void message_box(MessageBoxSpec form, std::function<void(BoxResult)> on_close = {});
  bool message_box_open() const;
  const std::vector<ShownBox>& shown_boxes() const;  // every box since start (or clear)
  void clear_shown_boxes();
  // Closes the box on screen (the oldest still open) with `result` (tests,
  // and the Enter/Esc keys).
  void answer_box(BoxResult result);
  int bell_count() const;

  // --- timers (owner: a dialog, or nullptr for the main window) ---
  // Each next deadline is the previous one plus the period, so timers do not drift.
  void set_timer(const void* owner, int id, int period_ms, std::function<void()> fire);
  void kill_timer(const void* owner, int id);
  void kill_timers_of(const void* owner);
  bool timer_active(const void* owner, int id) const;

  // --- other threads ---
  void post(std::function<void()> fn);  // thread-safe; runs on the loop's thread

  // --- loop ---
  void run();   // until quit(); terminal backend
  void quit();
  bool quitting() const;
  // One pass: wait at most `max_wait_ms` for input, timers or posts, handle them.
  void run_once(int max_wait_ms);

  // --- driving without a terminal ---
  void feed(const Event& e);            // as if typed or clicked
  void feed_bytes(const std::string& raw_terminal_input);
  void advance(std::int64_t ms);        // headless: moves the test clock, firing due timers in order
  void run_posted();                    // runs callbacks posted so far
  Clock& clock();
  std::string screen_text();            // renders and returns the screen as text
  const Canvas& render();               // with the cursor where the focused field wants it
  // The keys that work in the focused place, as the bottom line shows them.
  std::string key_hint() const;
  void resize(int width, int height);   // headless: a new screen size
  int width() const;
  int height() const;

  // --- file dialogs (our own; results through callbacks) ---
  // Open: lists *.dat files and folders of `start_dir`; on_done gets the chosen
  // path, or "" when cancelled.
  // `extensions` (no dot; *.dat when empty) are the files listed, the first
  // also the one added to a name typed without one; `caption` replaces the
  // dialog's own.
  void file_open_dialog(std::string start_dir, std::function<void(std::string)> on_done,
                        std::vector<std::string> extensions = {}, std::string caption = {});
  // Save As: default extension "dat" added to a name without one; asks Yes/No
  // before overwriting an existing file.
  // `initial_name` fills the name field; `question_caption` captions the overwrite question.
  void file_save_dialog(std::string start_dir, std::function<void(std::string)> on_done,
                        std::string initial_name = {}, std::string question_caption = "KLVC",
                        std::vector<std::string> extensions = {}, std::string caption = {});

  explicit Ui(std::unique_ptr<Backend> backend);

 private:
  struct Impl;
  friend class EntryGuard;
  std::unique_ptr<Impl> impl_;
};

}  // namespace klvc::ui
