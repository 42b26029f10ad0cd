// What the operator answered a message box with. One type for every box:
// the screen's own, and those the link, the dialogs and the command line ask
// for through their message sink. A plain value, nothing of the screen.
#pragma once

namespace klvc {

enum class BoxResult {
  Ok,
  Cancel,  // Esc on a Yes/No question: neither answer
  Yes,
  No,
};

}  // namespace klvc
