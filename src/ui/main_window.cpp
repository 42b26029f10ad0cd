// The main window: menu bar (row 0), toolbar line (row 1), the view, the
// status bar and, on the last row, the keys that work (drawn by Ui::render),
// with the pulled-down menus on top.
#include <algorithm>
#include <cctype>

#include "common/text.h"
#include "ui/text_width.h"
#include "ui/ui_impl.h"

namespace klvc::ui {
namespace {

Style reversed() {
  Style s;
  s.reverse = true;
  return s;
}

std::string top_label(const MenuItem& item) {
  std::string s = item.label;
  if (item.mnemonic) {
    s += '(';
    s += static_cast<char>(std::toupper(static_cast<unsigned char>(item.mnemonic)));
    s += ')';
  }
  return s;
}

bool selectable(const MenuItem& item) { return !item.separator; }

// Where things stand on the screen; computed the same way for drawing and for clicks.
struct MenuGeometry {
  std::vector<Rect> top;         // the labels on the bar
  std::vector<Rect> levels;      // one pulled-down box per open level
  std::vector<const std::vector<MenuItem>*> items;
};

MenuGeometry geometry(const Menu& menu, const MenuState& st, int screen_w, int screen_h) {
  MenuGeometry g;
  int x = 1;
  for (const MenuItem& t : menu.top) {
    int w = display_width(top_label(t)) + 2;
    g.top.push_back(Rect{x, 0, w, 1});
    x += w;
  }
  if (!st.open || st.top < 0 || st.top >= static_cast<int>(menu.top.size())) return g;
  const std::vector<MenuItem>* items = &menu.top[static_cast<std::size_t>(st.top)].items;
  Rect prev{};
  for (std::size_t level = 0; level < st.path.size() && items && !items->empty(); ++level) {
    int w = 0;
    for (const MenuItem& it : *items) {
      const int extra = !it.items.empty() ? 2 : it.shortcut.empty() ? 0 : display_width(it.shortcut) + 2;
      w = std::max(w, display_width(it.label) + extra);
    }
    w += 4;
    int h = static_cast<int>(items->size()) + 2;
    Rect r;
    if (level == 0) {
      r = Rect{g.top[static_cast<std::size_t>(st.top)].x, 1, w, h};
    } else {
      r = Rect{prev.x + prev.w, prev.y + st.path[level - 1], w, h};
      if (r.x + r.w > screen_w) r.x = std::max(0, prev.x - w);
    }
    if (r.x + r.w > screen_w) r.x = std::max(0, screen_w - r.w);
    if (r.y + r.h > screen_h) r.y = std::max(0, screen_h - r.h);
    g.levels.push_back(r);
    g.items.push_back(items);
    prev = r;
    int idx = st.path[level];
    if (level + 1 < st.path.size() && idx >= 0 && idx < static_cast<int>(items->size())) {
      items = &(*items)[static_cast<std::size_t>(idx)].items;
    } else {
      break;
    }
  }
  return g;
}

int first_selectable(const std::vector<MenuItem>& items) {
  for (std::size_t i = 0; i < items.size(); ++i)
    if (selectable(items[i])) return static_cast<int>(i);
  return -1;
}

int step_selectable(const std::vector<MenuItem>& items, int from, int dir) {
  int n = static_cast<int>(items.size());
  if (n == 0) return -1;
  int i = from;
  for (int k = 0; k < n; ++k) {
    i = ((i + dir) % n + n) % n;
    if (selectable(items[static_cast<std::size_t>(i)])) return i;
  }
  return from;
}

}  // namespace

bool Ui::Impl::is_enabled(int command) const { return !enabled_query || enabled_query(command); }

std::string Ui::Impl::prompt_of(int command) const {
  if (command == 0 || !prompt_query) return {};
  std::string p = prompt_query(command);
  return p.substr(0, p.find('\n'));  // the tooltip after the line break is not shown here
}

namespace {
const MenuItem* highlighted_item(const Menu& menu, const MenuState& st) {
  if (!st.open || st.top < 0 || st.top >= static_cast<int>(menu.top.size())) return nullptr;
  const std::vector<MenuItem>* items = &menu.top[static_cast<std::size_t>(st.top)].items;
  const MenuItem* item = nullptr;
  for (int idx : st.path) {
    if (!items || idx < 0 || idx >= static_cast<int>(items->size())) return nullptr;
    item = &(*items)[static_cast<std::size_t>(idx)];
    items = &item->items;
  }
  return item;
}
}  // namespace

int Ui::highlighted_command() const {
  const MenuItem* item = highlighted_item(impl_->menu, impl_->menu_state);
  return item && item->items.empty() && !item->separator ? item->command : 0;
}

std::string Ui::Impl::main_key_hint() const {
  if (menu_state.open) return "↑↓ 選ぶ  ←→ 隣のメニュー  Enter 実行  Esc 戻る";
  if (tool_focus >= 0) return "←→ Tab ボタンを選ぶ  Enter 実行  Esc 戻る  F10 メニュー";
  return "F10 メニュー  Alt+F/S/M/C/H 各メニュー  Tab ツールバー  Ctrl+C 終了";
}

std::string Ui::Impl::message_pane_text() const {
  if (menu_state.open) return prompt_of(self->highlighted_command());
  if (tool_focus >= 0 && tool_focus < static_cast<int>(toolbar.size()))
    return prompt_of(toolbar[static_cast<std::size_t>(tool_focus)].command);
  return panes.empty() ? std::string() : panes[0].text;
}

void Ui::Impl::open_menu(int top) {
  int n = static_cast<int>(menu.top.size());
  if (n == 0) return;
  tool_focus = -1;
  menu_state.open = true;
  menu_state.top = ((top % n) + n) % n;
  menu_state.path = {first_selectable(menu.top[static_cast<std::size_t>(menu_state.top)].items)};
}

void Ui::Impl::close_menu() {
  menu_state.open = false;
  menu_state.path.clear();
}

// ---------------------------------------------------------------- drawing

void Ui::Impl::render_main(Canvas& c) {
  int w = c.width();
  int h = c.height();
  if (h < 4 || w < 20) {
    c.put(0, 0, "端末が小さすぎます。ウィンドウを広げてください。");
    return;
  }
  // With room, the last row holds the key hints and the status bar stands above it.
  const int status_row = h >= 5 ? h - 2 : h - 1;
  MenuGeometry g = geometry(menu, menu_state, w, h);
  // menu bar
  c.fill(Rect{0, 0, w, 1}, reversed());
  int bar_end = 1;
  for (std::size_t i = 0; i < menu.top.size(); ++i) {
    bool active = menu_state.open && static_cast<int>(i) == menu_state.top;
    bar_end = c.put(g.top[i].x, 0, " " + top_label(menu.top[i]) + " ", active ? Style{} : reversed());
  }
  int tw = display_width(title);
  if (!title.empty() && bar_end + 2 + tw <= w - 1) c.put(w - 1 - tw, 0, title, reversed());
  // toolbar
  int x = 1;
  for (std::size_t i = 0; i < toolbar.size(); ++i) {
    Style s;
    s.reverse = static_cast<int>(i) == tool_focus;
    s.dim = !is_enabled(toolbar[i].command);
    x = c.put(x, 1, "[ " + toolbar[i].label + " ]", s) + 1;
  }
  // the view, between the toolbar and the status bar
  if (view_painter && status_row > 2) view_painter(c, Rect{0, 2, w, status_row - 2});
  // status bar: the message pane stretches, the others keep their widths at the right
  int y = status_row;
  c.fill(Rect{0, y, w, 1}, reversed());
  int right = w;
  std::vector<std::pair<int, std::string>> fixed;
  for (std::size_t i = 1; i < panes.size(); ++i) {
    int pw = panes[i].width > 0 ? panes[i].width : display_width(panes[i].text);
    fixed.emplace_back(pw, panes[i].text);
  }
  for (auto it = fixed.rbegin(); it != fixed.rend(); ++it) {
    right -= it->first;
    if (right < 1) break;
    c.put(right, y, pad_to_width(it->second, it->first), reversed());
    --right;
    c.put(right, y, "│", reversed());
  }
  c.put_clipped(1, y, message_pane_text(), Rect{1, y, std::max(0, right - 2), 1}, reversed());
  // pulled-down menus
  for (std::size_t level = 0; level < g.levels.size(); ++level) {
    const Rect& r = g.levels[level];
    const auto& items = *g.items[level];
    c.fill(r);
    c.box(r);
    for (std::size_t i = 0; i < items.size(); ++i) {
      int row = r.y + 1 + static_cast<int>(i);
      const MenuItem& it = items[i];
      if (it.separator) {
        std::string rule = "├";
        for (int k = 0; k < r.w - 2; ++k) rule += "─";
        c.put(r.x, row, rule + "┤");
        continue;
      }
      Style s;
      s.reverse = level < menu_state.path.size() && menu_state.path[level] == static_cast<int>(i);
      s.dim = it.items.empty() && !is_enabled(it.command);
      std::string text = " " + it.label;
      if (!it.items.empty()) text = pad_to_width(text, r.w - 4) + " >";
      if (!it.shortcut.empty()) text = pad_to_width(text, r.w - 3 - display_width(it.shortcut)) + it.shortcut;
      c.put_clipped(r.x + 1, row, pad_to_width(text, r.w - 2), Rect{r.x + 1, row, r.w - 2, 1}, s);
    }
  }
}

// ---------------------------------------------------------------- input

void Ui::Impl::main_event(const Event& e) {
  if (menu_state.open) {
    menu_event(e);
    return;
  }
  for (const Accelerator& a : accelerators) {
    bool hit = a.key == e.key &&
               ((a.key != Key::Ctrl && a.key != Key::Alt) ||
                (e.text.size() == 1 && ascii_lower(e.text[0]) == a.letter));
    if (hit) {
      self->command(a.command);
      return;
    }
  }
  int n_tools = static_cast<int>(toolbar.size());
  switch (e.key) {
    case Key::F10: open_menu(0); return;
    case Key::Alt: {
      char letter = e.text.empty() ? 0 : ascii_lower(e.text[0]);
      for (std::size_t i = 0; i < menu.top.size(); ++i) {
        char m = ascii_lower(menu.top[i].mnemonic);
        char first = menu.top[i].label.empty() ? 0 : ascii_lower(menu.top[i].label[0]);
        if (letter && (letter == m || (!menu.top[i].mnemonic && letter == first))) {
          open_menu(static_cast<int>(i));
          return;
        }
      }
      if (letter >= '1' && letter <= '9' && letter - '1' < static_cast<int>(menu.top.size())) open_menu(letter - '1');
      return;
    }
    case Key::Tab:
    case Key::Right:
      if (n_tools > 0) tool_focus = (tool_focus + 1) % n_tools;
      return;
    case Key::BackTab:
    case Key::Left:
      if (n_tools > 0) tool_focus = tool_focus <= 0 ? n_tools - 1 : tool_focus - 1;
      return;
    case Key::Escape: tool_focus = -1; return;
    case Key::Enter:
      if (tool_focus >= 0 && tool_focus < n_tools) self->command(toolbar[static_cast<std::size_t>(tool_focus)].command);
      return;
    case Key::Text:
      if (e.text == "q" || e.text == "Q") request_close();
      if (e.text == " " && tool_focus >= 0 && tool_focus < n_tools)
        self->command(toolbar[static_cast<std::size_t>(tool_focus)].command);
      return;
    case Key::MouseDown: {
      MenuGeometry g = geometry(menu, menu_state, backend->width(), backend->height());
      if (e.y == 0) {
        for (std::size_t i = 0; i < g.top.size(); ++i)
          if (g.top[i].contains(e.x, e.y)) open_menu(static_cast<int>(i));
        return;
      }
      if (e.y == 1) {
        int x = 1;
        for (std::size_t i = 0; i < toolbar.size(); ++i) {
          int w = display_width("[ " + toolbar[i].label + " ]");
          if (e.x >= x && e.x < x + w) {
            tool_focus = -1;
            self->command(toolbar[i].command);
            return;
          }
          x += w + 1;
        }
      }
      return;
    }
    default: return;
  }
}

void Ui::Impl::menu_event(const Event& e) {
  MenuGeometry g = geometry(menu, menu_state, backend->width(), backend->height());
  auto& path = menu_state.path;
  if (g.items.empty() || path.empty()) {
    // A top entry without items: only moving across or closing makes sense.
    if (e.key == Key::Right) open_menu(menu_state.top + 1);
    else if (e.key == Key::Left) open_menu(menu_state.top - 1);
    else if (e.key == Key::Escape || e.key == Key::F10 || e.key == Key::MouseDown) close_menu();
    return;
  }
  std::size_t deepest = g.items.size() - 1;
  const auto& items = *g.items[deepest];
  int& cur = path[deepest];
  auto activate = [&](const MenuItem& it) {
    if (!it.items.empty()) {
      path.resize(deepest + 1);
      path.push_back(first_selectable(it.items));
    } else if (!it.separator && is_enabled(it.command)) {
      int cmd = it.command;
      close_menu();
      self->command(cmd);
    }
  };
  switch (e.key) {
    case Key::Up: cur = step_selectable(items, cur < 0 ? 0 : cur, -1); return;
    case Key::Down: cur = step_selectable(items, cur < 0 ? -1 : cur, +1); return;
    case Key::Home: cur = first_selectable(items); return;
    case Key::End: cur = step_selectable(items, 0, -1); return;
    case Key::Right:
      if (cur >= 0 && !items[static_cast<std::size_t>(cur)].items.empty()) {
        activate(items[static_cast<std::size_t>(cur)]);
      } else {
        open_menu(menu_state.top + 1);
      }
      return;
    case Key::Left:
      if (path.size() > 1) {
        path.pop_back();
      } else {
        open_menu(menu_state.top - 1);
      }
      return;
    case Key::Enter:
      if (cur >= 0) activate(items[static_cast<std::size_t>(cur)]);
      return;
    case Key::Text:
      if (e.text == " " && cur >= 0) activate(items[static_cast<std::size_t>(cur)]);
      return;
    case Key::Escape:
      if (path.size() > 1) {
        path.pop_back();
      } else {
        close_menu();
      }
      return;
    case Key::F10: close_menu(); return;
    case Key::Alt: {
      close_menu();
      main_event(e);
      return;
    }
    case Key::MouseDown: {
      for (std::size_t i = 0; i < g.top.size(); ++i) {
        if (g.top[i].contains(e.x, e.y)) {
          if (static_cast<int>(i) == menu_state.top) {
            close_menu();
          } else {
            open_menu(static_cast<int>(i));
          }
          return;
        }
      }
      // Deepest box first: submenus lie over their parents.
      for (std::size_t level = g.levels.size(); level-- > 0;) {
        const Rect& r = g.levels[level];
        if (!r.contains(e.x, e.y)) continue;
        int idx = e.y - r.y - 1;
        const auto& its = *g.items[level];
        if (idx < 0 || idx >= static_cast<int>(its.size()) || its[static_cast<std::size_t>(idx)].separator) return;
        path.resize(level + 1);
        path[level] = idx;
        deepest = level;
        activate(its[static_cast<std::size_t>(idx)]);
        return;
      }
      close_menu();
      return;
    }
    default: return;
  }
}

}  // namespace klvc::ui
