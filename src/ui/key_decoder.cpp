#include "ui/key_decoder.h"

#include <string>

#include "common/text.h"

namespace klvc::ui {
namespace {

constexpr char kEsc = '\x1b';

void push(std::vector<Event>& out, Key k) { out.push_back(Event::of(k)); }

Key tilde_key(int n) {
  switch (n) {
    case 1: case 7: return Key::Home;
    case 4: case 8: return Key::End;
    case 3: return Key::Delete;
    case 5: return Key::PageUp;
    case 6: return Key::PageDown;
    case 11: return Key::F1;
    case 12: return Key::F2;
    case 13: return Key::F3;
    case 14: return Key::F4;
    case 15: return Key::F5;
    case 17: return Key::F6;
    case 18: return Key::F7;
    case 19: return Key::F8;
    case 20: return Key::F9;
    case 21: return Key::F10;
    case 23: return Key::F11;
    case 24: return Key::F12;
    default: return Key::None;
  }
}

Key letter_key(char c) {
  switch (c) {
    case 'A': return Key::Up;
    case 'B': return Key::Down;
    case 'C': return Key::Right;
    case 'D': return Key::Left;
    case 'H': return Key::Home;
    case 'F': return Key::End;
    case 'P': return Key::F1;
    case 'Q': return Key::F2;
    case 'R': return Key::F3;
    case 'S': return Key::F4;
    case 'Z': return Key::BackTab;
    default: return Key::None;
  }
}

void mouse(std::vector<Event>& out, int b, int x, int y, bool release) {
  if (b & 32) return;  // motion
  Event e;
  e.x = x;
  e.y = y;
  if (b & 64) {
    if ((b & 3) > 1) return;
    e.key = (b & 3) == 0 ? Key::WheelUp : Key::WheelDown;
  } else if ((b & 3) == 0) {
    e.key = release ? Key::MouseUp : Key::MouseDown;
  } else {
    return;  // middle and right buttons are not used
  }
  out.push_back(e);
}

// s starts with ESC [. Returns bytes used, 0 when incomplete.
std::size_t csi(std::string_view s, std::vector<Event>& out) {
  if (s.size() < 3) return 0;
  if (s[2] == 'M') {  // legacy mouse report: three bytes follow
    if (s.size() < 6) return 0;
    int b = static_cast<unsigned char>(s[3]) - 32;
    int x = static_cast<unsigned char>(s[4]) - 33;
    int y = static_cast<unsigned char>(s[5]) - 33;
    if ((b & 3) == 3 && !(b & 64)) {
      Event e;
      e.key = Key::MouseUp;
      e.x = x;
      e.y = y;
      out.push_back(e);
    } else {
      mouse(out, b, x, y, false);
    }
    return 6;
  }
  if (s[2] == '[') {  // Linux console F1..F5: ESC [ [ A..E
    if (s.size() < 4) return 0;
    if (s[3] >= 'A' && s[3] <= 'E') push(out, static_cast<Key>(static_cast<int>(Key::F1) + (s[3] - 'A')));
    return 4;
  }
  std::size_t i = 2;
  while (i < s.size() && s[i] >= 0x30 && s[i] <= 0x3F) ++i;  // parameters
  while (i < s.size() && s[i] >= 0x20 && s[i] <= 0x2F) ++i;  // intermediates
  if (i >= s.size()) return 0;
  char final = s[i];
  if (final < 0x40 || final > 0x7E) return i;  // malformed: drop what came so far
  std::string_view params = s.substr(2, i - 2);
  std::vector<int> nums;
  bool sgr_mouse = !params.empty() && params[0] == '<';
  {
    int n = 0;
    bool any = false;
    for (std::size_t k = sgr_mouse ? 1 : 0; k < params.size(); ++k) {
      char c = params[k];
      if (c >= '0' && c <= '9') {
        n = n * 10 + (c - '0');
        if (n > 100000) n = 100000;
        any = true;
      } else if (c == ';') {
        nums.push_back(any ? n : 0);
        n = 0;
        any = false;
      }
    }
    nums.push_back(any ? n : 0);
  }
  if (sgr_mouse) {
    if ((final == 'M' || final == 'm') && nums.size() >= 3) mouse(out, nums[0], nums[1] - 1, nums[2] - 1, final == 'm');
    return i + 1;
  }
  Key k = Key::None;
  if (final == '~') {
    k = tilde_key(nums.empty() ? 0 : nums[0]);
  } else {
    k = letter_key(final);
  }
  if (k != Key::None) push(out, k);
  return i + 1;
}

// s starts with ESC. Returns bytes used, 0 when incomplete.
std::size_t escape(std::string_view s, std::vector<Event>& out) {
  if (s.size() < 2) return 0;
  unsigned char c = static_cast<unsigned char>(s[1]);
  if (c == '[') return csi(s, out);
  if (c == 'O') {
    if (s.size() < 3) return 0;
    Key k = s[2] == 'M' ? Key::Enter : letter_key(s[2]);
    if (k != Key::None) push(out, k);
    return 3;
  }
  if (c == 0x7F || c == 0x08) {
    push(out, Key::Backspace);
    return 2;
  }
  if (c > 0x20 && c < 0x7F) {
    out.push_back(Event::alt(ascii_lower(static_cast<char>(c))));
    return 2;
  }
  push(out, Key::Escape);  // ESC before another key: a plain Escape
  return 1;
}

int utf8_length(unsigned char b) {
  if ((b & 0xE0) == 0xC0 && b >= 0xC2) return 2;
  if ((b & 0xF0) == 0xE0) return 3;
  if ((b & 0xF8) == 0xF0 && b <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::size_t decode_input(std::string_view bytes, bool timed_out, std::vector<Event>& out) {
  std::string text;
  auto flush = [&] {
    if (!text.empty()) out.push_back(Event::typed(std::move(text)));
    text.clear();
  };
  std::size_t i = 0;
  while (i < bytes.size()) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b == static_cast<unsigned char>(kEsc)) {
      flush();
      std::size_t used = escape(bytes.substr(i), out);
      if (used == 0) {
        if (!timed_out) return i;
        push(out, Key::Escape);  // nothing more came: the Escape key itself
        used = 1;
      }
      i += used;
      continue;
    }
    if (b < 0x20 || b == 0x7F) {
      flush();
      switch (b) {
        case '\r': case '\n': push(out, Key::Enter); break;
        case '\t': push(out, Key::Tab); break;
        case 0x08: case 0x7F: push(out, Key::Backspace); break;
        case 0x00: break;
        default:
          if (b <= 0x1A) out.push_back(Event::ctrl(static_cast<char>('a' + b - 1)));
          break;
      }
      ++i;
      continue;
    }
    if (b < 0x80) {
      text += static_cast<char>(b);
      ++i;
      continue;
    }
    int len = utf8_length(b);
    if (len == 0) {  // a stray byte: not text
      ++i;
      continue;
    }
    if (i + static_cast<std::size_t>(len) > bytes.size()) {
      // The rest of the character may still be on its way.
      bool plausible = true;
      for (std::size_t k = i + 1; k < bytes.size(); ++k)
        if ((static_cast<unsigned char>(bytes[k]) & 0xC0) != 0x80) plausible = false;
      if (plausible && !timed_out) {
        flush();
        return i;
      }
      ++i;
      continue;
    }
    bool ok = true;
    for (int k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) ok = false;
    if (!ok) {
      ++i;
      continue;
    }
    text.append(bytes.substr(i, static_cast<std::size_t>(len)));
    i += static_cast<std::size_t>(len);
  }
  flush();
  return i;
}

}  // namespace klvc::ui
