#include <gtest/gtest.h>

#include "settings/sjis.h"

namespace klvc {
namespace {

TEST(Sjis, EncodesJapaneseAsCp932) {
  std::string out;
  ASSERT_TRUE(utf8_to_sjis("あ", &out));
  EXPECT_EQ(out, "\x82\xA0");
  ASSERT_TRUE(utf8_to_sjis("A　ｱ", &out));  // ASCII, full-width space, half-width katakana
  EXPECT_EQ(out, "A\x81\x40\xB1");
  ASSERT_TRUE(utf8_to_sjis("①", &out));  // a vendor symbol the code page has
  EXPECT_EQ(out, "\x87\x40");
  ASSERT_TRUE(utf8_to_sjis("", &out));
  EXPECT_EQ(out, "");
}

TEST(Sjis, NamesTheFirstCharacterWithoutACp932Form) {
  std::string out;
  std::string bad;
  EXPECT_FALSE(utf8_to_sjis("あé😀", &out, &bad));
  EXPECT_EQ(bad, "é");
  EXPECT_FALSE(utf8_to_sjis("x😀", &out, &bad));
  EXPECT_EQ(bad, "😀");
  EXPECT_FALSE(utf8_to_sjis("a\xFFz", &out, &bad));  // not UTF-8 at all
  EXPECT_EQ(bad, "\xFF");
}

TEST(Sjis, DecodesAndMarksBrokenBytes) {
  EXPECT_EQ(sjis_to_utf8("\x82\xA0\x81\x40"), "あ　");
  EXPECT_EQ(sjis_to_utf8("abc"), "abc");
  EXPECT_EQ(sjis_to_utf8("\x80"), "\xEF\xBF\xBD");
  // A lead byte without a proper second byte: only the lead byte is lost.
  EXPECT_EQ(sjis_to_utf8("\x82 x"), "\xEF\xBF\xBD x");
  EXPECT_EQ(sjis_to_utf8("\x82\xA0\x82"), "あ\xEF\xBF\xBD");
  EXPECT_EQ(sjis_to_utf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Sjis, ByteLengthCountsUnmappableCharactersAsTwo) {
  EXPECT_EQ(sjis_byte_length(""), 0u);
  EXPECT_EQ(sjis_byte_length("あいう"), 6u);
  EXPECT_EQ(sjis_byte_length("aｱ"), 2u);
  EXPECT_EQ(sjis_byte_length("😀"), 2u);
  EXPECT_EQ(sjis_byte_length("a😀bé"), 6u);
}

}  // namespace
}  // namespace klvc
