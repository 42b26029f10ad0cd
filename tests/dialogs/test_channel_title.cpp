// Title check, padding and the "CA" line, from the stored Shift-JIS bytes.
#include <gtest/gtest.h>

#include <string>

#include "dialog_fixture.h"
#include "dialogs/channel_title.h"
#include "settings/store.h"
#include "support/text.h"

namespace klvc {
namespace {

using testing::repeat;

const std::string kHiraA = "\x82\xA0";

class ChannelTitle : public ::testing::Test {
 protected:
  void SetUp() override { reset_whole_store(); }
  void set_title(int channel, std::string sjis) { store().channel_titles[static_cast<std::size_t>(channel)] = std::move(sjis); }
  // The warning (or nullptr) and the line, as a Set press would produce them.
  const char* check(int channel, std::string* line) { return checked_channel_title_line(channel, line); }
};

TEST_F(ChannelTitle, EmptyAndSingleSpaceAreSixteenFullWidthSpaces) {
  const std::string expected = "CA01" + repeat("2121", 16) + "\r\n";
  std::string line;
  EXPECT_EQ(check(0, &line), nullptr);
  EXPECT_EQ(line, expected);
  set_title(0, " ");
  line.clear();
  EXPECT_EQ(check(0, &line), nullptr);
  EXPECT_EQ(line, expected);
  EXPECT_EQ(padded_title(), repeat("\x81\x40", 16));
}

TEST_F(ChannelTitle, CharactersBecomeUpperCaseHexCodesPaddedWithFullWidthSpaces) {
  struct Case {
    int channel;
    std::string sjis;
    std::string line;
  };
  const Case cases[] = {
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
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    set_title(c.channel, c.sjis);
    std::string line;
    ASSERT_EQ(check(c.channel, &line), nullptr);
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(line.size(), 70u);
  }
}

TEST_F(ChannelTitle, TitlesTheSwitcherCannotDrawAreRefusedWithTheirWarning) {
  struct Case {
    int channel;
    std::string sjis;
    int padded;  // pad_channel_title: 0 for an odd count or more than 32 bytes
    const char* warning;
  };
  const Case cases[] = {
      {0, "A", 0, kNotJisWarning},
      {0, repeat(kHiraA, 17), 0, kNotJisWarning},  // 34 bytes, as only a file can hold
      {4, "AB", 1, kNotJisWarning},                // a half-width pair is no double-byte character
      {4, "A" + repeat(kHiraA, 15) + "\x82", 1, kNotJisWarning},  // a half-width letter first: all out of step
      {2, kHiraA + "\x87\x40", 1, kOutsideSetWarning},           // a vendor symbol, circled digit one
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.channel);
    set_title(c.channel, c.sjis);
    EXPECT_EQ(pad_channel_title(c.channel), c.padded);
    std::string line = "untouched";
    EXPECT_STREQ(check(c.channel, &line), c.warning);
    EXPECT_EQ(line, "untouched");
  }
  set_title(0, repeat(kHiraA, 16));  // exactly 32 bytes
  EXPECT_EQ(pad_channel_title(0), 1);
  std::string line;
  set_title(4, "AB");
  ASSERT_EQ(pad_channel_title(4), 1);
  EXPECT_EQ(channel_title_command(4, &line), kTitleNotJis);
  set_title(2, kHiraA + "\x87\x40");
  ASSERT_EQ(pad_channel_title(2), 1);
  EXPECT_EQ(channel_title_command(2, &line), kTitleOutsideSet);
  EXPECT_TRUE(line.empty());
}

TEST_F(ChannelTitle, ChannelsOutsideTheStoreAreRefused) {
  std::string line;
  EXPECT_EQ(pad_channel_title(64), 0);
  EXPECT_EQ(pad_channel_title(-1), 0);
  ASSERT_EQ(pad_channel_title(0), 1);
  EXPECT_EQ(channel_title_command(64, &line), kTitleNotJis);
  EXPECT_TRUE(line.empty());
}

}  // namespace
}  // namespace klvc
