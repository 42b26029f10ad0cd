// Title check, padding and the "CA" line, from the stored Shift-JIS bytes.
#include <gtest/gtest.h>

#include <string>

#include "dialogs/channel_title.h"
#include "settings/store.h"

namespace klvc {
namespace {

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

class ChannelTitle : public testing::Test {
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

TEST_F(ChannelTitle, CharactersBecomeUpperCaseHexCodes) {
  set_title(0, "\x82\xA0");  // hiragana a
  std::string line;
  ASSERT_EQ(check(0, &line), nullptr);
  EXPECT_EQ(line, "CA012422" + repeat("2121", 15) + "\r\n");
  EXPECT_EQ(line.size(), 70u);

  set_title(11, "\x88\x9F\x98\x72\xEA\xA4\x82\x60");  // two kanji of level 1, one of level 2, full-width A
  ASSERT_EQ(check(11, &line), nullptr);
  EXPECT_EQ(line, "CA12" "3021" "4F53" "7426" "2341" + repeat("2121", 12) + "\r\n");
}

TEST_F(ChannelTitle, SixteenCharactersFillTheLine) {
  // hiragana a, i, u, e, o (0x82A0, A2, A4, A6, A8) and full-width digits 0-9 (0x824F..0x8258), then 'ー' (0x815B)
  set_title(63, "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8"
                "\x82\x4F\x82\x50\x82\x51\x82\x52\x82\x53\x82\x54\x82\x55\x82\x56\x82\x57\x82\x58"
                "\x81\x5B");
  std::string line;
  ASSERT_EQ(check(63, &line), nullptr);
  EXPECT_EQ(line, "CA64" "2422242424262428242A"
                  "2330233123322333233423352336233723382339"
                  "213C\r\n");
}

TEST_F(ChannelTitle, OddOrLongTitlesFailThePadding) {
  set_title(0, "A");
  EXPECT_EQ(pad_channel_title(0), 0);
  std::string line = "untouched";
  EXPECT_STREQ(check(0, &line), "ＪＩＳ第１水準,第２水準以外の字が選択されてます");
  EXPECT_EQ(line, "untouched");

  set_title(0, repeat("\x82\xA0", 16) + "\x82\xA0");  // 34 bytes, as only a file can hold
  EXPECT_EQ(pad_channel_title(0), 0);
  EXPECT_STREQ(check(0, &line), kTitleNotJisText);

  set_title(0, repeat("\x82\xA0", 16));  // exactly 32 bytes
  EXPECT_EQ(pad_channel_title(0), 1);
}

TEST_F(ChannelTitle, HalfWidthPairsFailTheConversion) {
  set_title(4, "AB");
  ASSERT_EQ(pad_channel_title(4), 1);
  std::string line;
  EXPECT_EQ(channel_title_command(4, &line), kTitleNotJis);
  EXPECT_STREQ(check(4, &line), "ＪＩＳ第１水準,第２水準以外の字が選択されてます");
  EXPECT_TRUE(line.empty());
  // A half-width letter first puts every later byte out of step.
  set_title(4, "A" + repeat("\x82\xA0", 15) + "\x82");
  EXPECT_STREQ(check(4, &line), kTitleNotJisText);
}

TEST_F(ChannelTitle, VendorSymbolsAreRefused) {
  set_title(2, "\x82\xA0\x87\x40");  // hiragana a, circled digit one
  std::string line;
  EXPECT_STREQ(check(2, &line), "仕様以外の字が選択されてます");
  EXPECT_TRUE(line.empty());
  ASSERT_EQ(pad_channel_title(2), 1);
  EXPECT_EQ(channel_title_command(2, &line), kTitleOutsideSet);
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
