// An in-memory grid of cells that every widget renders into; the terminal
// backend writes it out, tests read it back as text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/geometry.h"

namespace klvc::ui {

struct Style {
  bool bold = false;
  bool reverse = false;
  bool dim = false;
  bool underline = false;
  bool operator==(const Style& o) const {
    return bold == o.bold && reverse == o.reverse && dim == o.dim && underline == o.underline;
  }
};

// Where the terminal's cursor goes once a frame is drawn: at the caret of the
// focused edit field (an input method draws its composition there), else hidden.
struct CursorPos {
  bool visible = false;
  int x = 0;
  int y = 0;
  bool operator==(const CursorPos& o) const { return visible == o.visible && (!visible || (x == o.x && y == o.y)); }
};

struct Cell {
  std::string text = " ";  // one code point (UTF-8); "" for the right half of a wide char
  Style style;
};

class Canvas {
 public:
  Canvas(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }
  void clear();  // blanks every cell and hides the cursor
  void set_cursor(int x, int y);  // shown there (ignored outside the grid)
  void hide_cursor() { cursor_ = CursorPos{}; }
  const CursorPos& cursor() const { return cursor_; }
  // Writes text from (x, y), clipped to the canvas (and to `clip` when given);
  // returns the column after the text.
  int put(int x, int y, std::string_view utf8, Style style = {});
  int put_clipped(int x, int y, std::string_view utf8, const Rect& clip, Style style = {});
  void fill(const Rect& r, Style style = {});
  void box(const Rect& r, std::string_view title = {}, Style style = {});
  const Cell& at(int x, int y) const;
  // One line per row, trailing blanks removed.
  std::string to_string() const;
  std::string row_text(int y) const;

 private:
  int width_;
  int height_;
  std::vector<Cell> cells_;
  CursorPos cursor_;
};

}  // namespace klvc::ui
