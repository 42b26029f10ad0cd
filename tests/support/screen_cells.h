// Where a text stands on a drawn screen, in cells: where a test clicks.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/canvas.h"

namespace klvc::testing {

// The cell (x, y) where `text` starts on rows `top` to `bottom` (-1: the
// last row), or nothing when it is not there.
inline std::optional<std::pair<int, int>> find_on_screen(const ui::Canvas& c, const std::string& text, int top = 0,
                                                         int bottom = -1) {
  for (int y = top; y <= (bottom < 0 ? c.height() - 1 : bottom); ++y) {
    std::string row;
    std::vector<int> column;  // the screen column of each byte of `row`
    for (int x = 0; x < c.width(); ++x) {
      row += c.at(x, y).text;
      column.resize(row.size(), x);
    }
    const std::size_t at = row.find(text);
    if (at != std::string::npos) return std::make_pair(column[at], y);
  }
  return std::nullopt;
}

}  // namespace klvc::testing
