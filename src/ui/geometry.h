#pragma once

namespace klvc::ui {

// Positions and sizes in character cells.
struct Rect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

}  // namespace klvc::ui
