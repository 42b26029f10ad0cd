// The Shift-JIS to JIS X 0208 rule and the set of codes the switcher draws.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "commands/jis.h"
#include "support/jis_codes.h"

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

// Exactly the codes of the switcher's table are accepted (0), every other
// one refused (2): vendor rows, the empty rows 9-15, anything out of range.
TEST(AcceptedJis, ExactlyTheCodesOfTheSwitchersTable) {
  const std::vector<int> listed = testing::accepted_jis_codes();
  ASSERT_EQ(listed.size(), 6879u);
  const std::set<int> accepted(listed.begin(), listed.end());
  int first_wrong = 0;
  for (int code = -1; code <= 0x10000 && first_wrong == 0; ++code) {
    if (is_accepted_jis_code(code) != (accepted.count(code) ? 0 : 2)) first_wrong = code;
  }
  EXPECT_EQ(first_wrong, 0) << "code 0x" << std::hex << first_wrong;
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
