#include "ui/canvas.h"

#include <algorithm>
#include <stdexcept>

#include "ui/text_width.h"

namespace klvc::ui {
namespace {

// Box-drawing characters (light lines).
constexpr const char* kH = "─";
constexpr const char* kV = "│";
constexpr const char* kTL = "┌";
constexpr const char* kTR = "┐";
constexpr const char* kBL = "└";
constexpr const char* kBR = "┘";

bool is_mark(char32_t c) { return c >= 0x300 && char_width(c) == 0; }

}  // namespace

Canvas::Canvas(int width, int height)
    : width_(std::max(0, width)), height_(std::max(0, height)),
      cells_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {}

void Canvas::clear() {
  for (Cell& c : cells_) c = Cell{};
  cursor_ = CursorPos{};
}

void Canvas::set_cursor(int x, int y) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    cursor_ = CursorPos{};
    return;
  }
  cursor_ = CursorPos{true, x, y};
}

const Cell& Canvas::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) throw std::out_of_range("Canvas::at outside the grid");
  return cells_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
}

int Canvas::put(int x, int y, std::string_view utf8, Style style) {
  return put_clipped(x, y, utf8, Rect{0, 0, width_, height_}, style);
}

int Canvas::put_clipped(int x, int y, std::string_view utf8, const Rect& clip_in, Style style) {
  // Clip to the grid as well as to the given rectangle.
  int cx0 = std::max(0, clip_in.x);
  int cy0 = std::max(0, clip_in.y);
  int cx1 = std::min(width_, clip_in.x + clip_in.w);
  int cy1 = std::min(height_, clip_in.y + clip_in.h);
  bool row_visible = y >= cy0 && y < cy1;
  auto cell = [&](int cx) -> Cell& {
    return cells_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(cx)];
  };
  auto inside = [&](int cx) { return row_visible && cx >= cx0 && cx < cx1; };
  // Writing over one half of a wide character blanks its other half.
  auto claim = [&](int cx) {
    Cell& c = cell(cx);
    if (c.text.empty() && cx > 0) {
      cell(cx - 1).text = " ";
    } else if (cx + 1 < width_ && cell(cx + 1).text.empty()) {
      cell(cx + 1).text = " ";
    }
  };
  int last = -1;  // the cell written last, for combining marks
  for (char32_t c : decode_utf8(utf8)) {
    int w = char_width(c);
    if (w == 0) {
      if (is_mark(c) && last >= 0) cell(last).text += encode_utf8(c);
      continue;
    }
    if (w == 1) {
      if (inside(x)) {
        claim(x);
        cell(x) = Cell{encode_utf8(c), style};
        last = x;
      } else {
        last = -1;
      }
    } else if (inside(x) && inside(x + 1)) {
      claim(x);
      claim(x + 1);
      cell(x) = Cell{encode_utf8(c), style};
      cell(x + 1) = Cell{"", style};
      last = x;
    } else {
      // Half of a wide character does not fit: show a blank in the visible half.
      if (inside(x)) {
        claim(x);
        cell(x) = Cell{" ", style};
      }
      if (inside(x + 1)) {
        claim(x + 1);
        cell(x + 1) = Cell{" ", style};
      }
      last = -1;
    }
    x += w;
  }
  return x;
}

void Canvas::fill(const Rect& r, Style style) {
  std::string blank(static_cast<std::size_t>(std::max(0, r.w)), ' ');
  for (int y = r.y; y < r.y + r.h; ++y) put_clipped(r.x, y, blank, r, style);
}

void Canvas::box(const Rect& r, std::string_view title, Style style) {
  if (r.w < 2 || r.h < 2) return;
  std::string top = kTL;
  std::string bottom = kBL;
  for (int i = 0; i < r.w - 2; ++i) {
    top += kH;
    bottom += kH;
  }
  top += kTR;
  bottom += kBR;
  put(r.x, r.y, top, style);
  put(r.x, r.y + r.h - 1, bottom, style);
  for (int y = r.y + 1; y < r.y + r.h - 1; ++y) {
    put(r.x, y, kV, style);
    put(r.x + r.w - 1, y, kV, style);
  }
  if (!title.empty() && r.w > 4) {
    std::string t = " " + fit_width(title, r.w - 4) + " ";
    put(r.x + 1, r.y, t, style);
  }
}

std::string Canvas::row_text(int y) const {
  std::string s;
  if (y < 0 || y >= height_) return s;
  for (int x = 0; x < width_; ++x) s += at(x, y).text;
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string Canvas::to_string() const {
  std::string s;
  for (int y = 0; y < height_; ++y) {
    s += row_text(y);
    s += '\n';
  }
  return s;
}

}  // namespace klvc::ui
