#include "vt_screen.h"

#include <algorithm>
#include <cstdlib>

#include "ui/text_width.h"

namespace klvc::testing {

VtScreen::VtScreen(int width, int height)
    : width_(width), height_(height), cells_(static_cast<std::size_t>(width * height), " ") {}

void VtScreen::resize(int width, int height) {
  width_ = width;
  height_ = height;
  cells_.assign(static_cast<std::size_t>(width * height), " ");
  x_ = 0;
  y_ = 0;
}

void VtScreen::erase(int x0, int y0, int x1, int y1) {
  for (int y = y0; y <= y1 && y < height_; ++y) {
    for (int x = (y == y0 ? x0 : 0); x < width_ && (y < y1 || x <= x1); ++x) {
      cells_[static_cast<std::size_t>(y * width_ + x)] = " ";
    }
  }
}

void VtScreen::put(char32_t c) {
  if (c == '\r') { x_ = 0; return; }
  if (c == '\n') { if (y_ < height_ - 1) ++y_; return; }
  if (c == '\b') { if (x_ > 0) --x_; return; }
  if (c == '\a' || c < 0x20) return;
  const int w = ui::char_width(c);
  if (w == 0) return;
  if (x_ + w > width_) {
    x_ = 0;
    if (y_ < height_ - 1) ++y_;
  }
  const std::size_t at = static_cast<std::size_t>(y_ * width_ + x_);
  cells_[at] = ui::encode_utf8(c);
  if (w == 2) cells_[at + 1] = "";
  x_ += w;
}

void VtScreen::csi(char final, const std::string& params) {
  const bool priv = !params.empty() && params[0] == '?';
  std::vector<int> n;
  std::string p = priv ? params.substr(1) : params;
  std::size_t start = 0;
  while (start <= p.size()) {
    auto semi = p.find(';', start);
    std::string part = p.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
    n.push_back(part.empty() ? 0 : std::atoi(part.c_str()));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  auto arg = [&](std::size_t i, int def) { return i < n.size() && n[i] != 0 ? n[i] : def; };
  if (priv) {
    if (final == 'h' || final == 'l') {
      for (int m : n) {
        if (final == 'h') {
          modes_.insert(m);
        } else {
          modes_.erase(m);
        }
      }
    }
    return;
  }
  switch (final) {
    case 'H': case 'f':
      y_ = std::clamp(arg(0, 1) - 1, 0, height_ - 1);
      x_ = std::clamp(arg(1, 1) - 1, 0, width_ - 1);
      break;
    case 'A': y_ = std::max(0, y_ - arg(0, 1)); break;
    case 'B': y_ = std::min(height_ - 1, y_ + arg(0, 1)); break;
    case 'C': x_ = std::min(width_ - 1, x_ + arg(0, 1)); break;
    case 'D': x_ = std::max(0, x_ - arg(0, 1)); break;
    case 'G': x_ = std::clamp(arg(0, 1) - 1, 0, width_ - 1); break;
    case 'd': y_ = std::clamp(arg(0, 1) - 1, 0, height_ - 1); break;
    case 'J': {
      int m = n.empty() ? 0 : n[0];
      if (m == 0) erase(x_, y_, width_ - 1, height_ - 1);
      else if (m == 1) erase(0, 0, x_, y_);
      else erase(0, 0, width_ - 1, height_ - 1);
      break;
    }
    case 'K': {
      int m = n.empty() ? 0 : n[0];
      if (m == 0) erase(x_, y_, width_ - 1, y_);
      else if (m == 1) erase(0, y_, x_, y_);
      else erase(0, y_, width_ - 1, y_);
      break;
    }
    case 'X':
      erase(x_, y_, std::min(width_ - 1, x_ + arg(0, 1) - 1), y_);
      break;
    default:
      break;  // colours and the rest change no text
  }
}

void VtScreen::feed(const std::string& bytes) {
  for (unsigned char b : bytes) {
    switch (st_) {
      case St::Text:
        if (utf8_need_ > 0) {
          utf8_ += static_cast<char>(b);
          if (--utf8_need_ == 0) {
            auto cps = ui::decode_utf8(utf8_);
            if (!cps.empty()) put(cps[0]);
            utf8_.clear();
          }
        } else if (b == 0x1b) {
          st_ = St::Esc;
        } else if (b >= 0xf0) {
          utf8_ = static_cast<char>(b); utf8_need_ = 3;
        } else if (b >= 0xe0) {
          utf8_ = static_cast<char>(b); utf8_need_ = 2;
        } else if (b >= 0xc0) {
          utf8_ = static_cast<char>(b); utf8_need_ = 1;
        } else {
          put(b);
        }
        break;
      case St::Esc:
        if (b == '[') { st_ = St::Csi; seq_.clear(); }
        else if (b == ']') { st_ = St::Osc; }
        else if (b == '(' || b == ')') { st_ = St::EscSkip; }
        else { st_ = St::Text; }
        break;
      case St::EscSkip:
        st_ = St::Text;
        break;
      case St::Csi:
        if (b >= 0x40 && b <= 0x7e) {
          csi(static_cast<char>(b), seq_);
          st_ = St::Text;
        } else {
          seq_ += static_cast<char>(b);
        }
        break;
      case St::Osc:
        if (b == 0x07) st_ = St::Text;
        else if (b == 0x1b) st_ = St::OscEsc;
        break;
      case St::OscEsc:
        st_ = b == '\\' ? St::Text : St::Osc;
        break;
    }
  }
}

std::string VtScreen::row(int y) const {
  std::string out;
  for (int x = 0; x < width_; ++x) out += cells_[static_cast<std::size_t>(y * width_ + x)];
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string VtScreen::text() const {
  std::string out;
  for (int y = 0; y < height_; ++y) out += row(y) + "\n";
  return out;
}

bool VtScreen::contains(const std::string& utf8) const {
  for (int y = 0; y < height_; ++y) {
    if (row(y).find(utf8) != std::string::npos) return true;
  }
  return false;
}

}  // namespace klvc::testing
