// The JIS X 0208 codes the switcher draws, written by hand from its
// character table.
#pragma once

#include <utility>
#include <vector>

namespace klvc::testing {

// Every accepted code in order: rows 1-8 as listed, rows 16-46 and 48-83
// whole, row 47 to 0x4F53, row 84 to 0x7426.
inline std::vector<int> accepted_jis_codes() {
  const std::pair<int, int> ranges[] = {
      {0x2121, 0x217E}, {0x2221, 0x222E}, {0x223A, 0x2241}, {0x224A, 0x2250}, {0x225C, 0x226A},
      {0x2272, 0x2279}, {0x227E, 0x227E}, {0x2330, 0x2339}, {0x2341, 0x235A}, {0x2361, 0x237A},
      {0x2421, 0x2473}, {0x2521, 0x2576}, {0x2621, 0x2638}, {0x2641, 0x2658}, {0x2721, 0x2741},
      {0x2751, 0x2771}, {0x2821, 0x2840}, {0x3021, 0x4E7E}, {0x4F21, 0x4F53}, {0x5021, 0x737E},
      {0x7421, 0x7426}};
  std::vector<int> codes;
  for (const auto& [first, last] : ranges) {
    // A range over several rows takes the rows between whole (cells 0x21-0x7E).
    for (int row = first >> 8; row <= last >> 8; ++row) {
      const int from = row == first >> 8 ? (first & 0xFF) : 0x21;
      const int to = row == last >> 8 ? (last & 0xFF) : 0x7E;
      for (int cell = from; cell <= to; ++cell) codes.push_back(row << 8 | cell);
    }
  }
  return codes;
}

}  // namespace klvc::testing
