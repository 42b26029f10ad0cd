// Just enough of a terminal to read back what klvc drew: cursor addressing,
// erasing, UTF-8 text at its cell width, and the private modes it switches.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace klvc::testing {

class VtScreen {
 public:
  VtScreen(int width, int height);
  void feed(const std::string& bytes);
  std::string row(int y) const;   // trailing blanks removed
  std::string text() const;       // all rows, one per line
  bool contains(const std::string& utf8) const;
  // Private modes (the numbers of CSI ? n h) currently set; 25 (the cursor
  // shown) is set to begin with, as on a terminal.
  bool mode(int n) const { return modes_.count(n) != 0; }
  int cursor_x() const { return x_; }
  int cursor_y() const { return y_; }
  void resize(int width, int height);  // as a terminal does: blank, cursor home

 private:
  void put(char32_t c);
  void csi(char final, const std::string& params);
  void erase(int x0, int y0, int x1, int y1);
  int width_;
  int height_;
  std::vector<std::string> cells_;  // one code point per cell; "" right half of a wide char
  int x_ = 0;
  int y_ = 0;
  std::set<int> modes_{25};
  // Parser state.
  enum class St { Text, Esc, Csi, Osc, OscEsc, EscSkip } st_ = St::Text;
  std::string seq_;
  std::string utf8_;
  int utf8_need_ = 0;
};

}  // namespace klvc::testing
