// The "CA" title line or the reason a title is refused, from Shift-JIS bytes.
#include <gtest/gtest.h>

#include <string>

#include "dialog_fixture.h"
#include "commands/title_commands.h"
#include "settings/store.h"
#include "support/text.h"

namespace klvc {
namespace {

using testing::repeat;

const std::string kHiraA = "\x82\xA0";

TEST(TitleCommand, CharactersBecomeUpperCaseHexCodesPaddedWithFullWidthSpaces) {
  struct Case {
    int channel;
    std::string sjis;
    std::string line;
  };
  const std::string spaces = repeat("2121", 16);
  const Case cases[] = {
      {0, "", "CA01" + spaces + "\r\n"},
      {0, " ", "CA01" + spaces + "\r\n"},  // one half-width space counts as a full-width one
      {0, kHiraA, "CA012422" + repeat("2121", 15) + "\r\n"},
      // two kanji of level 1, one of level 2, full-width A
      {11, "\x88\x9F\x98\x72\xEA\xA4\x82\x60", "CA12" "3021" "4F53" "7426" "2341" + repeat("2121", 12) + "\r\n"},
      // hiragana a, i, u, e, o (0x82A0, A2, A4, A6, A8), full-width digits 0-9 (0x824F..0x8258) and 'ー'
      // (0x815B): sixteen characters fill the line
      {63,
       "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8"
       "\x82\x4F\x82\x50\x82\x51\x82\x52\x82\x53\x82\x54\x82\x55\x82\x56\x82\x57\x82\x58"
       "\x81\x5B",
       "CA64" "2422242424262428242A" "2330233123322333233423352336233723382339" "213C\r\n"},
      {5, repeat(kHiraA, 16), "CA06" + repeat("2422", 16) + "\r\n"},  // exactly 32 bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const TitleCommand built = title_command(c.channel, c.sjis);
    EXPECT_EQ(built.refused, nullptr);
    EXPECT_EQ(built.line, c.line);
    EXPECT_EQ(built.line.size(), 70u);
  }
}

TEST(TitleCommand, TitlesTheSwitcherCannotDrawAreRefusedWithTheirWarning) {
  struct Case {
    int channel;
    std::string sjis;
    const char* warning;
  };
  const Case cases[] = {
      {0, "A", kNotJisWarning},                                // an odd byte count
      {0, repeat(kHiraA, 17), kNotJisWarning},                 // 34 bytes, as only a file can hold
      {4, "AB", kNotJisWarning},                               // a half-width pair is no double-byte character
      {4, "A" + repeat(kHiraA, 15) + "\x82", kNotJisWarning},  // a half-width letter first: all out of step
      {2, kHiraA + "\x87\x40", kOutsideSetWarning},            // a vendor symbol, circled digit one
      {64, "", kNotJisWarning},                                // channels outside the store
      {-1, kHiraA, kNotJisWarning},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channel);
    const TitleCommand built = title_command(c.channel, c.sjis);
    EXPECT_STREQ(built.refused, c.warning);
    EXPECT_EQ(built.line, "");
  }
}

}  // namespace
}  // namespace klvc
