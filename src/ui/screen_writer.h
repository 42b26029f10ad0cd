// Turns one frame into the next on a terminal: only the cells that changed
// are written, with the cursor moves and attribute changes they need, and
// the terminal's cursor is left where the frame puts it (or hidden).
#pragma once

#include <string>

#include "ui/canvas.h"

namespace klvc::ui {

// `before` is what the terminal shows now; nullptr (or another size) means
// unknown, and the whole screen is cleared and drawn.
std::string diff_frames(const Canvas* before, const Canvas& after);

// The attribute sequence for a style, starting from a reset ("\x1b[0;7m").
std::string sgr(const Style& s);

}  // namespace klvc::ui
