#include "ui/key_decoder.h"
#include "ui/terminal_codeset.h"

#include <gtest/gtest.h>

namespace klvc::ui {
namespace {

std::vector<Event> decode(std::string_view bytes, bool timed_out = true, std::size_t* used = nullptr) {
  std::vector<Event> out;
  std::size_t n = decode_input(bytes, timed_out, out);
  if (used) *used = n;
  return out;
}

Key only_key(std::string_view bytes) {
  auto ev = decode(bytes);
  return ev.size() == 1 ? ev[0].key : Key::None;
}

TEST(KeyDecoder, EscapeSequencesOfCommonTerminals) {
  struct Row {
    const char* bytes;
    Key key;
  };
  const Row rows[] = {
      {"\x1b[A", Key::Up},        {"\x1b[B", Key::Down},      {"\x1b[C", Key::Right},     {"\x1b[D", Key::Left},
      {"\x1bOA", Key::Up},        {"\x1b[1;5A", Key::Up},     {"\x1b[H", Key::Home},      {"\x1b[F", Key::End},
      {"\x1b[1~", Key::Home},     {"\x1b[4~", Key::End},      {"\x1b[7~", Key::Home},     {"\x1b[8~", Key::End},
      {"\x1bOH", Key::Home},      {"\x1bOF", Key::End},       {"\x1b[3~", Key::Delete},   {"\x1b[5~", Key::PageUp},
      {"\x1b[6~", Key::PageDown}, {"\x1bOP", Key::F1},        {"\x1bOQ", Key::F2},        {"\x1bOR", Key::F3},
      {"\x1bOS", Key::F4},        {"\x1b[11~", Key::F1},      {"\x1b[15~", Key::F5},      {"\x1b[17~", Key::F6},
      {"\x1b[18~", Key::F7},      {"\x1b[19~", Key::F8},      {"\x1b[20~", Key::F9},      {"\x1b[21~", Key::F10},
      {"\x1b[23~", Key::F11},     {"\x1b[24~", Key::F12},     {"\x1b[[A", Key::F1},       {"\x1b[[E", Key::F5},
      {"\x1b[Z", Key::BackTab},   {"\x1bOM", Key::Enter},     {"\r", Key::Enter},         {"\n", Key::Enter},
      {"\t", Key::Tab},           {"\x7f", Key::Backspace},   {"\x08", Key::Backspace},
  };
  for (const Row& r : rows) EXPECT_EQ(only_key(r.bytes), r.key) << "bytes: " << r.bytes + 1;
}

TEST(KeyDecoder, AltAndCtrlLetters) {
  auto ev = decode("\x1b" "f\x1b" "F\x1b" "1\x0e\x0f\x13\x03");
  ASSERT_EQ(ev.size(), 7u);
  EXPECT_EQ(ev[0].key, Key::Alt);
  EXPECT_EQ(ev[0].text, "f");
  EXPECT_EQ(ev[1].text, "f");  // Alt+Shift+F opens the same menu
  EXPECT_EQ(ev[2].text, "1");
  EXPECT_EQ(ev[3].key, Key::Ctrl);
  EXPECT_EQ(ev[3].text, "n");
  EXPECT_EQ(ev[4].text, "o");
  EXPECT_EQ(ev[5].text, "s");
  EXPECT_EQ(ev[6].text, "c");
}

TEST(KeyDecoder, LoneEscapeWaitsForTheTimeout) {
  std::size_t used = 99;
  EXPECT_TRUE(decode("\x1b", false, &used).empty());
  EXPECT_EQ(used, 0u);  // kept for the next read
  EXPECT_EQ(only_key("\x1b"), Key::Escape);
  // a sequence cut between two reads is completed by the next one
  EXPECT_TRUE(decode("\x1b[2", false, &used).empty());
  EXPECT_EQ(used, 0u);
  auto ev = decode("ab\x1bO", false, &used);
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].text, "ab");
  EXPECT_EQ(used, 2u);
  // Escape followed by an arrow in one read
  ev = decode("\x1b\x1b[A");
  ASSERT_EQ(ev.size(), 2u);
  EXPECT_EQ(ev[0].key, Key::Escape);
  EXPECT_EQ(ev[1].key, Key::Up);
}

TEST(KeyDecoder, Utf8TextArrivesAsOneBurst) {
  auto ev = decode("東京ｶﾅabc\r");
  ASSERT_EQ(ev.size(), 2u);
  EXPECT_EQ(ev[0].key, Key::Text);
  EXPECT_EQ(ev[0].text, "東京ｶﾅabc");
  EXPECT_EQ(ev[1].key, Key::Enter);
  // a character split between reads waits for its last byte
  std::size_t used = 0;
  ev = decode("a\xe6\x9d", false, &used);
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].text, "a");
  EXPECT_EQ(used, 1u);
  // stray bytes are dropped, not shown
  ev = decode("x\xff\x80y");
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].text, "xy");
}

TEST(KeyDecoder, SgrMouseReports) {
  auto ev = decode("\x1b[<0;10;5M\x1b[<0;10;5m\x1b[<64;3;4M\x1b[<65;3;4M\x1b[<2;1;1M\x1b[<32;9;9M");
  ASSERT_EQ(ev.size(), 4u);  // right button and motion are not used
  EXPECT_EQ(ev[0].key, Key::MouseDown);
  EXPECT_EQ(ev[0].x, 9);
  EXPECT_EQ(ev[0].y, 4);
  EXPECT_EQ(ev[1].key, Key::MouseUp);
  EXPECT_EQ(ev[2].key, Key::WheelUp);
  EXPECT_EQ(ev[3].key, Key::WheelDown);
  ev = decode("\x1b[<0;250;100M");  // beyond the legacy 223-column limit
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].x, 249);
  ev = decode("\x1b[M !!");  // legacy report: button 0 at (1, 1)
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].key, Key::MouseDown);
  EXPECT_EQ(ev[0].x, 0);
  EXPECT_EQ(ev[0].y, 0);
  std::size_t used = 0;
  EXPECT_TRUE(decode("\x1b[<0;10", false, &used).empty());
  EXPECT_EQ(used, 0u);
}

TEST(KeyDecoder, UnknownSequencesAreSwallowed) {
  auto ev = decode("\x1b[99~\x1b[I\x1b[?1;2cz");
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].text, "z");
  EXPECT_TRUE(decode("\x00", true).empty());
}

}  // namespace
}  // namespace klvc::ui

namespace klvc::ui {

TEST(TerminalCodeset, EucJpBothWaysUtf8AndPosixNeedNothing) {
  std::string error;
  EXPECT_EQ(CodesetConverter::for_codeset("UTF-8", &error), nullptr);
  EXPECT_EQ(CodesetConverter::for_codeset("ANSI_X3.4-1968", &error), nullptr);  // C/POSIX keeps UTF-8
  EXPECT_EQ(CodesetConverter::for_codeset("NO-SUCH-SET", &error), nullptr);
  EXPECT_NE(error.find("UTF-8 terminal"), std::string::npos) << error;
  auto euc = CodesetConverter::for_codeset("EUC-JP", &error);
  ASSERT_NE(euc, nullptr) << error;
  EXPECT_EQ(euc->to_terminal("\x1b[1;1Hあ①"), "\x1b[1;1H\xA4\xA2?");  // ① is not in EUC-JP
  std::string typed = "A\xA4\xA2\xA4";  // "Aあ" and the first byte of "い"
  EXPECT_EQ(euc->from_terminal(typed), "Aあ");
  typed += "\xA4";
  EXPECT_EQ(euc->from_terminal(typed), "い");
  EXPECT_TRUE(typed.empty());
}

}  // namespace klvc::ui
