#include "ui/text_width.h"

#include <gtest/gtest.h>

#include "ui/canvas.h"

namespace klvc::ui {
namespace {

TEST(TextWidth, CountsCellsNotBytes) {
  EXPECT_EQ(display_width("abc"), 3);
  EXPECT_EQ(display_width("設定"), 4);            // full-width kanji: two cells each
  EXPECT_EQ(display_width("ﾚﾃﾞｨ"), 4);            // half-width katakana: one cell each
  EXPECT_EQ(display_width("ｱﾌﾟﾘｹｰｼｮﾝの終了"), 15);  // 9 half-width + 3 full-width
  EXPECT_EQ(display_width("日付　時刻"), 10);      // the ideographic space is full-width
  EXPECT_EQ(display_width("が"), 2);
  EXPECT_EQ(display_width("か\u3099"), 2);        // combining voiced mark takes no cell
  EXPECT_EQ(display_width("ＡＢ"), 4);            // full-width Latin
  EXPECT_EQ(display_width("e\u0301"), 1);
}

TEST(TextWidth, BrokenUtf8BecomesReplacementCharacters) {
  auto cps = decode_utf8("a\xff" "b\xe3\x81");
  ASSERT_EQ(cps.size(), 4u);
  EXPECT_EQ(cps[0], U'a');
  EXPECT_EQ(cps[1], 0xFFFDu);
  EXPECT_EQ(cps[2], U'b');
  EXPECT_EQ(cps[3], 0xFFFDu);
  EXPECT_EQ(encode_utf8(U'設'), "設");
  EXPECT_EQ(encode_utf8(0xD800), "\xEF\xBF\xBD");
}

TEST(TextWidth, FitAndPadNeverSplitAWideCharacter) {
  EXPECT_EQ(fit_width("設定完了", 5), "設定");
  EXPECT_EQ(pad_to_width("設定完了", 5), "設定 ");
  EXPECT_EQ(pad_to_width("ｶﾅ", 4), "ｶﾅ  ");
  EXPECT_EQ(pad_to_width("abcdef", 3), "abc");
}

TEST(TextWidth, WrapsAtLineBreaksAndSpaces) {
  auto lines = wrap_to_width("one two three\nfour", 8);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "one two");
  EXPECT_EQ(lines[1], "three");
  EXPECT_EQ(lines[2], "four");
  auto jp = wrap_to_width("あいうえお", 4);
  ASSERT_EQ(jp.size(), 3u);
  EXPECT_EQ(jp[0], "あい");
  EXPECT_EQ(jp[2], "お");
}

TEST(TextWidth, JapaneseBreaksAtPunctuationAndNeverBeforeAClosingMark) {
  struct Case {
    const char* text;
    int cells;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      // Before the opening bracket rather than inside the last word.
      {"入力してください（空白は使えません）", 30, {"入力してください", "（空白は使えません）"}},
      // After a comma when it lies past the first third of the line...
      {"あいうえお、かきくけこさしすせそ", 20, {"あいうえお、", "かきくけこさしすせそ"}},
      // ...but not so early that the line stays nearly empty.
      {"あ、いうえおかきくけこさしすせそ", 20, {"あ、いうえおかきくけ", "こさしすせそ"}},
      {"パスワードは半角英数字・記号の6文字で入力してください（空白は使えません）", 50,
       {"パスワードは半角英数字・", "記号の6文字で入力してください（空白は使えません）"}},
      // A closing mark or a small kana never starts a line.
      {"あいうえ）", 8, {"あいう", "え）"}},
      {"あいうっか", 6, {"あい", "うっか"}},
      // A long word with no break is cut where the line is full.
      {"abcdefghij", 4, {"abcd", "efgh", "ij"}},
  };
  for (const Case& c : cases) EXPECT_EQ(wrap_to_width(c.text, c.cells), c.lines) << c.text;
}

TEST(Canvas, WideCharactersTakeTwoCellsAndLineUp) {
  Canvas c(12, 3);
  c.put(0, 0, "ch01 = 設定");
  c.put(0, 1, "ch02 = ﾚﾃﾞｨ|");
  c.put(0, 2, "ch03 = abcd|");
  EXPECT_EQ(c.to_string(), "ch01 = 設定\nch02 = ﾚﾃﾞｨ|\nch03 = abcd|\n");
  EXPECT_EQ(c.at(7, 0).text, "設");
  EXPECT_EQ(c.at(8, 0).text, "");  // right half
}

TEST(Canvas, OverwritingHalfAWideCharacterBlanksTheOtherHalf) {
  Canvas c(6, 1);
  c.put(0, 0, "あいう");
  c.put(1, 0, "x");
  EXPECT_EQ(c.row_text(0), " xいう");
  c.put(4, 0, "y");
  EXPECT_EQ(c.row_text(0), " xいy");
  // a wide character that does not fit at the edge leaves a blank
  Canvas d(3, 1);
  EXPECT_EQ(d.put(0, 0, "aあい"), 5);
  EXPECT_EQ(d.row_text(0), "aあ");
  Canvas e(2, 1);
  e.put(1, 0, "あ");
  EXPECT_EQ(e.row_text(0), "");
}

TEST(Canvas, ClipsToRectangleAndGrid) {
  Canvas c(10, 2);
  c.put_clipped(2, 0, "abcdefgh", Rect{3, 0, 3, 1});
  EXPECT_EQ(c.row_text(0), "   bcd");
  c.put(-2, 1, "xyz");
  EXPECT_EQ(c.row_text(1), "z");
  c.put(0, 5, "outside");  // no crash
  c.box(Rect{0, 0, 4, 2}, "");
  EXPECT_EQ(c.row_text(0), "┌──┐cd");
  EXPECT_THROW(c.at(10, 0), std::out_of_range);
}

}  // namespace
}  // namespace klvc::ui
