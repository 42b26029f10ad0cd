// What the operator answered a message box with: one type for every box,
// the screen's own and those the link, the dialogs and the command line ask
// for through their message sink. It sits apart so that the link and the
// screen layer can share it without knowing each other.
#pragma once

namespace klvc {

enum class BoxResult {
  Ok,
  Cancel,  // Esc on a Yes/No question: neither answer
  Yes,
  No,
};

}  // namespace klvc
