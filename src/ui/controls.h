// Dialog controls. Each has an id (the dialog template's id), a rectangle in
// cells relative to the dialog's client area, and renders into a Canvas.
// Changing a control from code does not notify the dialog, except
// EditField::set_text, which reports a change as an edit field does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/canvas.h"
#include "ui/event.h"
#include "ui/geometry.h"

namespace klvc::ui {

class Dialog;

class Control {
 public:
  Control(Dialog* owner, int id, Rect rect) : owner_(owner), id_(id), rect_(rect) {}
  virtual ~Control() = default;
  int id() const { return id_; }
  const Rect& rect() const { return rect_; }
  void set_rect(const Rect& r) { rect_ = r; }
  bool enabled() const { return enabled_; }
  void enable(bool on) { enabled_ = on; }
  bool visible() const { return visible_; }
  void show(bool on) { visible_ = on; }
  virtual bool focusable() const { return false; }
  // origin: the dialog's client origin on the canvas.
  virtual void render(Canvas& canvas, int ox, int oy, bool focused) const = 0;
  // Where the terminal's cursor belongs while this control has the focus
  // (false: nowhere, the cursor is hidden).
  virtual bool caret(int ox, int oy, int* x, int* y) const { (void)ox; (void)oy; (void)x; (void)y; return false; }
  // The keys that work here, for the bottom line; a dialog may set its own text.
  std::string key_hint() const { return hint_.empty() ? default_key_hint() : hint_; }
  void set_key_hint(std::string hint) { hint_ = std::move(hint); }
  // Keyboard and mouse while focused (mouse coordinates relative to the control);
  // returns true when used.
  virtual bool on_event(const Event&) { return false; }
  Dialog* owner() const { return owner_; }

 protected:
  virtual std::string default_key_hint() const { return {}; }
  Dialog* owner_;
  int id_;
  Rect rect_;
  bool enabled_ = true;
  bool visible_ = true;
  std::string hint_;
};

class Label : public Control {
 public:
  Label(Dialog* owner, int id, Rect r, std::string text) : Control(owner, id, r), text_(std::move(text)) {}
  const std::string& text() const { return text_; }
  void set_text(std::string t) { text_ = std::move(t); }
  void render(Canvas&, int, int, bool) const override;

 private:
  std::string text_;
};

class GroupBox : public Control {
 public:
  GroupBox(Dialog* owner, int id, Rect r, std::string caption) : Control(owner, id, r), caption_(std::move(caption)) {}
  const std::string& caption() const { return caption_; }
  void render(Canvas&, int, int, bool) const override;

 private:
  std::string caption_;
};

class Button : public Control {
 public:
  Button(Dialog* owner, int id, Rect r, std::string label, bool is_default)
      : Control(owner, id, r), label_(std::move(label)), is_default_(is_default) {}
  const std::string& label() const { return label_; }
  bool is_default() const { return is_default_; }
  bool focusable() const override { return enabled_ && visible_; }
  void render(Canvas&, int, int, bool) const override;
  bool on_event(const Event&) override;  // Enter, space, click: the dialog's click

 protected:
  std::string default_key_hint() const override;

 private:
  std::string label_;
  bool is_default_;
};

// A drop-down list. Selection -1 means none (as after selecting an index out of range).
class ComboBox : public Control {
 public:
  ComboBox(Dialog* owner, int id, Rect r, std::vector<std::string> entries)
      : Control(owner, id, r), entries_(std::move(entries)) {}
  int count() const { return static_cast<int>(entries_.size()); }
  const std::string& entry(int i) const { return entries_.at(static_cast<std::size_t>(i)); }
  const std::vector<std::string>& entries() const { return entries_; }
  void add(std::string text) { entries_.push_back(std::move(text)); }
  // Removes entry i; the selection follows the list as a platform list does
  // (an entry after it moves down by one, the selected entry itself leaves no selection).
  void delete_entry(int i);
  void select(int i);  // -1 or out of range: no selection
  int selection() const { return selection_; }
  std::string selected_text() const;
  bool is_open() const { return open_; }
  void open_list();   // as a click on the closed list does
  void close_list();  // without picking
  int highlighted() const { return highlight_; }
  bool focusable() const override { return enabled_ && visible_; }
  void render(Canvas&, int, int, bool) const override;
  // Up/Down, PageUp/PageDown, Home/End change the selection at once
  // (notifies), and so does typing the start of an entry: characters typed
  // within kTypeAheadMs of each other join ("1" then "2" is 12). Enter, space
  // or a click open the list, which then takes the same keys, Enter to pick,
  // Esc to close.
  bool on_event(const Event&) override;
  static constexpr std::int64_t kTypeAheadMs = 1000;
  // Renders the open list on top of everything else.
  void render_popup(Canvas&, int ox, int oy) const;
  Rect popup_rect(int ox, int oy, int canvas_height) const;
  // What picking entry i in the open list does (notifies SelChange when it changes).
  void user_pick(int i);

 protected:
  std::string default_key_hint() const override;

 private:
  int visible_rows() const;
  int first_shown(int rows) const;  // first entry shown in a popup of `rows` rows
  int next_starting_with(const std::string& typed, int after) const;
  // The entry that typed text `e` leads to (from `current`), or -1.
  int type_ahead(const Event& e, int current);
  void move_highlight(int to);
  bool popup_event(const Event& e);
  std::vector<std::string> entries_;
  int selection_ = -1;
  bool open_ = false;
  int highlight_ = 0;
  int scroll_ = 0;
  std::string typed_;           // what was typed so far, for type-ahead
  std::int64_t typed_at_ = 0;   // when the last of it came
};

// A single-line edit field (UTF-8). A filter, when set, decides whether a new
// text is accepted (the title field counts Shift-JIS bytes that way); a
// refused character refuses only itself, the rest of a burst or paste is kept.
// Keys: Left/Right, Home/End and Ctrl+A/Ctrl+E move; Backspace, Delete,
// Ctrl+U (clear) and Ctrl+W (the word before the cursor) delete.
class EditField : public Control {
 public:
  EditField(Dialog* owner, int id, Rect r) : Control(owner, id, r) {}
  const std::string& text() const { return text_; }
  // Sets the text and reports a change to the dialog, as a platform edit does.
  void set_text(std::string utf8);
  void set_max_chars(int n) { max_chars_ = n; }  // 0: no limit
  void set_filter(std::function<bool(const std::string&)> accept) { filter_ = std::move(accept); }
  // Told the characters one insert refused (once per burst, in typed order).
  void set_refused_handler(std::function<void(const std::string& refused)> fn) { refused_ = std::move(fn); }
  // Enter in the field notifies Notify::Enter instead of reaching the default button.
  void set_enter_notifies(bool on) { enter_notifies_ = on; }
  // The whole text selected: typing replaces it, Backspace/Delete clear it.
  void select_all() { all_selected_ = !text_.empty(); }
  bool all_selected() const { return all_selected_; }
  // What typing does: insert at the cursor what the limit and filter allow; notifies.
  bool user_insert(const std::string& utf8);
  bool focusable() const override { return enabled_ && visible_; }
  void render(Canvas&, int, int, bool) const override;
  bool caret(int ox, int oy, int* x, int* y) const override;
  bool on_event(const Event&) override;
  std::size_t cursor() const { return cursor_; }  // in code points

 protected:
  std::string default_key_hint() const override;

 private:
  bool accept(const std::string& candidate) const;
  int scroll_start() const;  // first code point shown
  void replace(std::string utf8, std::size_t cursor);  // new text and cursor; notifies
  std::string text_;
  std::size_t cursor_ = 0;  // in code points
  int max_chars_ = 0;
  bool all_selected_ = false;
  bool enter_notifies_ = false;
  std::function<bool(const std::string&)> filter_;
  std::function<void(const std::string&)> refused_;
};

class ProgressBar : public Control {
 public:
  ProgressBar(Dialog* owner, int id, Rect r) : Control(owner, id, r) {}
  void set_range(int lo, int hi) { lo_ = lo; hi_ = hi; }
  void set_pos(int pos) { pos_ = pos; }
  int lo() const { return lo_; }
  int hi() const { return hi_; }
  int pos() const { return pos_; }
  void render(Canvas&, int, int, bool) const override;

 private:
  int lo_ = 0;
  int hi_ = 100;
  int pos_ = 0;
};

// A painted area: texts placed at cell positions inside it, clipped to it.
class TableArea : public Control {
 public:
  struct Item {
    int x;
    int y;
    std::string text;
  };
  TableArea(Dialog* owner, int id, Rect r) : Control(owner, id, r) {}
  void clear() { items_.clear(); }
  // Later texts paint over earlier ones cell by cell.
  void text_out(int x, int y, std::string utf8) { items_.push_back({x, y, std::move(utf8)}); }
  const std::vector<Item>& items() const { return items_; }
  // The area's own text as painted, one line per row.
  std::string painted_text() const;
  void render(Canvas&, int, int, bool) const override;

 private:
  std::vector<Item> items_;
};

}  // namespace klvc::ui
