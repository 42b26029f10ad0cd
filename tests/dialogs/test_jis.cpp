// The Shift-JIS to JIS X 0208 rule and the set of codes the switcher draws.
#include <gtest/gtest.h>

#include "dialogs/jis.h"

namespace klvc {
namespace {

TEST(SjisToJis, KnownCharacters) {
  EXPECT_EQ(sjis_to_jis(0x81, 0x40), 0x2121);  // full-width space
  EXPECT_EQ(sjis_to_jis(0x82, 0xA0), 0x2422);  // hiragana a
  EXPECT_EQ(sjis_to_jis(0x82, 0x60), 0x2341);  // full-width A
  EXPECT_EQ(sjis_to_jis(0x88, 0x9F), 0x3021);  // first level 1 kanji
  EXPECT_EQ(sjis_to_jis(0x98, 0x72), 0x4F53);  // last level 1 kanji
  EXPECT_EQ(sjis_to_jis(0x98, 0x9F), 0x5021);  // first level 2 kanji
  EXPECT_EQ(sjis_to_jis(0xEA, 0xA4), 0x7426);  // last level 2 kanji
  EXPECT_EQ(sjis_to_jis(0x87, 0x40), 0x2D21);  // circled digit one (vendor row)
}

TEST(SjisToJis, TrailByteBoundaries) {
  // Odd rows: 0x40-0x7E and 0x80-0x9E, skipping 0x7F; even rows: 0x9F-0xFC.
  EXPECT_EQ(sjis_to_jis(0x81, 0x7E), 0x215F);
  EXPECT_EQ(sjis_to_jis(0x81, 0x80), 0x2160);
  EXPECT_EQ(sjis_to_jis(0x81, 0x9E), 0x217E);
  EXPECT_EQ(sjis_to_jis(0x81, 0x9F), 0x2221);
  EXPECT_EQ(sjis_to_jis(0x81, 0xFC), 0x227E);
  EXPECT_EQ(sjis_to_jis(0x81, 0x3F), 0);
  EXPECT_EQ(sjis_to_jis(0x81, 0x7F), 0);
  EXPECT_EQ(sjis_to_jis(0x81, 0xFD), 0);
}

TEST(SjisToJis, LeadByteBoundaries) {
  EXPECT_EQ(sjis_to_jis(0x9F, 0xFC), 0x5E7E);
  EXPECT_EQ(sjis_to_jis(0xE0, 0x40), 0x5F21);
  EXPECT_EQ(sjis_to_jis(0xEF, 0xFC), 0x7E7E);
  EXPECT_EQ(sjis_to_jis(0x80, 0x40), 0);
  EXPECT_EQ(sjis_to_jis(0xA0, 0x40), 0);
  EXPECT_EQ(sjis_to_jis(0xDF, 0x40), 0);  // half-width katakana range
  EXPECT_EQ(sjis_to_jis(0xF0, 0x40), 0);  // user-defined area
  EXPECT_EQ(sjis_to_jis('A', 'B'), 0);
  EXPECT_EQ(sjis_to_jis(' ', 0x82), 0);
}

// First and last code of every accepted range, and the codes just outside.
TEST(AcceptedJis, RangeEdges) {
  struct Range { int first; int last; };
  const Range ranges[] = {
      {0x2121, 0x217E}, {0x2221, 0x222E}, {0x223A, 0x2241}, {0x224A, 0x2250}, {0x225C, 0x226A},
      {0x2272, 0x2279}, {0x227E, 0x227E}, {0x2330, 0x2339}, {0x2341, 0x235A}, {0x2361, 0x237A},
      {0x2421, 0x2473}, {0x2521, 0x2576}, {0x2621, 0x2638}, {0x2641, 0x2658}, {0x2721, 0x2741},
      {0x2751, 0x2771}, {0x2821, 0x2840}, {0x3021, 0x307E}, {0x3121, 0x317E}, {0x4E21, 0x4E7E},
      {0x4F21, 0x4F53}, {0x5021, 0x507E}, {0x7321, 0x737E}, {0x7421, 0x7426},
  };
  for (const Range& r : ranges) {
    SCOPED_TRACE(testing::Message() << std::hex << r.first << "-" << r.last);
    EXPECT_EQ(is_accepted_jis_code(r.first), 0);
    EXPECT_EQ(is_accepted_jis_code(r.last), 0);
    EXPECT_EQ(is_accepted_jis_code(r.first - 1), 2);
    EXPECT_EQ(is_accepted_jis_code(r.last + 1), 2);
  }
}

TEST(AcceptedJis, HoldsTheCharactersOfTheStandard) {
  int accepted = 0;
  for (int code = 0; code <= 0xFFFF; ++code) accepted += is_accepted_jis_code(code) == 0;
  EXPECT_EQ(accepted, 6879);
  EXPECT_EQ(is_accepted_jis_code(0x2D21), 2);  // vendor symbols
  EXPECT_EQ(is_accepted_jis_code(0x2921), 2);  // empty rows 9-15
  EXPECT_EQ(is_accepted_jis_code(0x7521), 2);
  EXPECT_EQ(is_accepted_jis_code(0), 2);
  EXPECT_EQ(is_accepted_jis_code(-1), 2);
}

TEST(AcceptedJis, CheckStopsAtTheFirstRefusedCode) {
  std::array<int, 16> codes;
  codes.fill(0x2121);
  EXPECT_EQ(check_jis_codes(codes), 0);
  codes[15] = 0x2D21;
  EXPECT_EQ(check_jis_codes(codes), 2);
}

}  // namespace
}  // namespace klvc
