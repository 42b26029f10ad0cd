#include "ui/screen_writer.h"

namespace klvc::ui {
namespace {

bool same(const Cell& a, const Cell& b) { return a.text == b.text && a.style == b.style; }

bool blank(const Cell& c) { return c.text == " " && c.style == Style{}; }

constexpr const char* kHideCursor = "\x1b[?25l";
constexpr const char* kShowCursor = "\x1b[?25h";

// The cells that changed; `before` nullptr: everything, after clearing.
std::string draw_cells(const Canvas* before, const Canvas& after) {
  const int w = after.width();
  const int h = after.height();
  const bool full = before == nullptr;
  std::string out;
  Style style;
  bool style_known = false;
  if (full) {
    out += "\x1b[0m\x1b[H\x1b[2J";
    style_known = true;
  }
  int cx = -1;
  int cy = -1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Cell& cell = after.at(x, y);
      if (cell.text.empty()) continue;  // the right half goes out with its left half
      bool wide = x + 1 < w && after.at(x + 1, y).text.empty();
      bool changed;
      if (full) {
        changed = !blank(cell);
      } else {
        changed = !same(cell, before->at(x, y)) || (wide && !same(after.at(x + 1, y), before->at(x + 1, y)));
      }
      if (!changed) continue;
      if (cx != x || cy != y) out += "\x1b[" + std::to_string(y + 1) + ";" + std::to_string(x + 1) + "H";
      if (!style_known || !(cell.style == style)) {
        out += sgr(cell.style);
        style = cell.style;
        style_known = true;
      }
      out += cell.text;
      cx = x + (wide ? 2 : 1);
      cy = y;
      if (cx >= w) cx = -1;  // at the margin the terminal's cursor position is not reliable
    }
  }
  return out;
}

}  // namespace

std::string sgr(const Style& s) {
  std::string out = "\x1b[0";
  if (s.bold) out += ";1";
  if (s.dim) out += ";2";
  if (s.underline) out += ";4";
  if (s.reverse) out += ";7";
  out += 'm';
  return out;
}

std::string diff_frames(const Canvas* before, const Canvas& after) {
  const int w = after.width();
  const int h = after.height();
  bool full = !before || before->width() != w || before->height() != h;
  std::string out = draw_cells(full ? nullptr : before, after);
  // The cursor: hidden while cells are written (it would jump about), then
  // put back where the frame wants it, so a clock tick never leaves it on the
  // status bar. After a full redraw its state is unknown: say it again.
  const CursorPos was = full ? CursorPos{true, -1, -1} : before->cursor();
  const CursorPos& now = after.cursor();
  if (!out.empty() && was.visible) out.insert(0, kHideCursor);
  if (now.visible) {
    if (!out.empty() || !(was == now)) {
      out += "\x1b[" + std::to_string(now.y + 1) + ";" + std::to_string(now.x + 1) + "H" + kShowCursor;
    }
  } else if (was.visible) {
    if (out.rfind(kHideCursor, 0) != 0) out += kHideCursor;
  }
  return out;
}

}  // namespace klvc::ui
