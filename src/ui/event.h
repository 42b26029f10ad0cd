// Input events: keys (decoded from terminal bytes), typed text and mouse clicks.
#pragma once

#include <cstdint>
#include <string>

namespace klvc::ui {

enum class Key {
  None, Text, Enter, Escape, Tab, BackTab, Backspace, Delete, Up, Down, Left, Right,
  Home, End, PageUp, PageDown, F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
  Alt,       // Alt + `text` (one letter)
  Ctrl,      // Ctrl + `text` (one lower-case letter)
  MouseDown, // left button pressed at (x, y)
  MouseUp,
  WheelUp, WheelDown,
  Resize,
};

struct Event {
  Key key = Key::None;
  std::string text;  // UTF-8 for Key::Text; the letter for Alt and Ctrl
  int x = 0;         // mouse cell, 0-based
  int y = 0;
  // When it arrived, on the Ui's clock (the Ui stamps every event it
  // dispatches); lists use it to join digits typed in quick succession.
  std::int64_t time_ms = 0;

  static Event of(Key k) { Event e; e.key = k; return e; }
  static Event typed(std::string utf8) { Event e; e.key = Key::Text; e.text = std::move(utf8); return e; }
  static Event alt(char c) { Event e; e.key = Key::Alt; e.text = std::string(1, c); return e; }
  static Event ctrl(char c) { Event e; e.key = Key::Ctrl; e.text = std::string(1, c); return e; }
  static Event click(int cx, int cy) { Event e; e.key = Key::MouseDown; e.x = cx; e.y = cy; return e; }
};

}  // namespace klvc::ui
