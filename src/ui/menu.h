// Menu bar, toolbar and status bar of the main window, as data.
#pragma once

#include <string>
#include <vector>

#include "ui/event.h"

namespace klvc::ui {

struct MenuItem {
  std::string label;             // UTF-8
  int command = 0;               // 0 for a separator or a submenu
  std::vector<MenuItem> items;   // a submenu when not empty
  bool separator = false;
  std::string shortcut;          // the key that runs it too ("Ctrl+S"), shown at the right
  // Top entries: the letter that opens the menu with Alt (shown as "ファイル(F)");
  // Alt+1..9 open the top entries by position as well.
  char mnemonic = 0;
  static MenuItem rule() { MenuItem m; m.separator = true; return m; }
};

struct Menu {
  std::vector<MenuItem> top;     // the menu bar's entries, each with items
};

struct ToolButton {
  int command = 0;
  std::string label;
};

// A key of the main window that runs a command (Ctrl+N and the like); only
// while no dialog or message box is open, like a frame's accelerator table.
struct Accelerator {
  Key key = Key::Ctrl;  // Ctrl or Alt with `letter`, or a key such as F5
  char letter = 0;      // lower case for Ctrl and Alt
  int command = 0;
};

struct StatusPane {
  std::string text;
  int width = 0;                 // cells; 0 for the stretching message pane
};

}  // namespace klvc::ui
