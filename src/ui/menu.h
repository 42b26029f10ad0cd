// Menu bar, toolbar and status bar of the main window, as data.
#pragma once

#include <string>
#include <vector>

namespace klvc::ui {

struct MenuItem {
  std::string label;             // UTF-8
  int command = 0;               // 0 for a separator or a submenu
  std::vector<MenuItem> items;   // a submenu when not empty
  bool separator = false;
  static MenuItem rule() { MenuItem m; m.separator = true; return m; }
};

struct Menu {
  std::vector<MenuItem> top;     // the menu bar's entries, each with items
};

struct ToolButton {
  int command = 0;
  std::string label;
};

struct StatusPane {
  std::string text;
  int width = 0;                 // cells; 0 for the stretching message pane
};

}  // namespace klvc::ui
