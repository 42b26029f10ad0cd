#include "commands/jis.h"

namespace klvc {

int sjis_to_jis(unsigned s1, unsigned s2) {
  const bool lead_low = s1 >= 0x81 && s1 <= 0x9F;
  const bool lead_high = s1 >= 0xE0 && s1 <= 0xEF;
  const bool trail = (s2 >= 0x40 && s2 <= 0x7E) || (s2 >= 0x80 && s2 <= 0xFC);
  if (!(lead_low || lead_high) || !trail) return 0;

  // Each lead byte covers two JIS rows: trail bytes below 0x9F give the odd
  // row, from 0x9F on the even one. 0x7F is not a trail byte, hence the
  // different offsets below and above it.
  int row = lead_low ? 2 * (static_cast<int>(s1) - 0x70) - 1 : 2 * (static_cast<int>(s1) - 0xB0) - 1;
  int cell;
  if (s2 >= 0x9F) {
    row += 1;
    cell = static_cast<int>(s2) - 0x7E;
  } else if (s2 >= 0x80) {
    cell = static_cast<int>(s2) - 0x20;
  } else {
    cell = static_cast<int>(s2) - 0x1F;
  }
  return row * 256 + cell;
}

namespace {

// Accepted codes as bands of rows sharing the same cell range (inclusive).
// Rows 0x21-0x28 hold the non-kanji, 0x30-0x4F level 1 and 0x50-0x74 level 2
// kanji. Vendor rows (such as 0x2D, the circled digits) are not drawn.
struct JisBand {
  int first_row;
  int last_row;
  int first_cell;
  int last_cell;
};

constexpr JisBand kAccepted[] = {
    {0x21, 0x21, 0x21, 0x7E},                           // symbols
    {0x22, 0x22, 0x21, 0x2E}, {0x22, 0x22, 0x3A, 0x41}, // symbols
    {0x22, 0x22, 0x4A, 0x50}, {0x22, 0x22, 0x5C, 0x6A},
    {0x22, 0x22, 0x72, 0x79}, {0x22, 0x22, 0x7E, 0x7E},
    {0x23, 0x23, 0x30, 0x39}, {0x23, 0x23, 0x41, 0x5A}, // digits, Latin
    {0x23, 0x23, 0x61, 0x7A},
    {0x24, 0x24, 0x21, 0x73},                           // hiragana
    {0x25, 0x25, 0x21, 0x76},                           // katakana
    {0x26, 0x26, 0x21, 0x38}, {0x26, 0x26, 0x41, 0x58}, // Greek
    {0x27, 0x27, 0x21, 0x41}, {0x27, 0x27, 0x51, 0x71}, // Cyrillic
    {0x28, 0x28, 0x21, 0x40},                           // box drawing
    {0x30, 0x4E, 0x21, 0x7E},                           // level 1 kanji
    {0x4F, 0x4F, 0x21, 0x53},
    {0x50, 0x73, 0x21, 0x7E},                           // level 2 kanji
    {0x74, 0x74, 0x21, 0x26},
};

}  // namespace

int is_accepted_jis_code(int code) {
  const int row = code >> 8;
  const int cell = code & 0xFF;
  if (code < 0 || row > 0xFF) return kJisRefused;
  for (const JisBand& b : kAccepted) {
    if (row >= b.first_row && row <= b.last_row && cell >= b.first_cell && cell <= b.last_cell) {
      return kJisAccepted;
    }
  }
  return kJisRefused;
}

int check_jis_codes(const std::array<int, 16>& codes) {
  for (int code : codes) {
    if (is_accepted_jis_code(code) != kJisAccepted) return kJisRefused;
  }
  return kJisAccepted;
}

}  // namespace klvc
