#include "ui/screen_writer.h"

#include <gtest/gtest.h>

#include "ui/terminal_modes.h"
#include "ui/ui.h"

#include <unistd.h>

namespace klvc::ui {
namespace {

TEST(ScreenWriter, FirstFrameClearsAndWritesOnlyNonBlankCells) {
  Canvas c(10, 2);
  c.put(2, 1, "ab");
  EXPECT_EQ(diff_frames(nullptr, c), "\x1b[0m\x1b[H\x1b[2J\x1b[2;3Hab");
}

TEST(ScreenWriter, NextFrameWritesOnlyChangedCells) {
  Canvas a(10, 2);
  a.put(0, 0, "12:00:00");
  Canvas b = a;
  EXPECT_EQ(diff_frames(&a, b), "");
  b.put(6, 0, "01");
  EXPECT_EQ(diff_frames(&a, b), "\x1b[1;8H\x1b[0m1");  // "00" to "01": one cell
  Canvas r = a;
  Style rev;
  rev.reverse = true;
  r.put(0, 1, "x", rev);
  r.put(2, 1, "y");
  EXPECT_EQ(diff_frames(&a, r), "\x1b[2;1H\x1b[0;7mx\x1b[2;3H\x1b[0my");
}

TEST(ScreenWriter, WideCharactersAdvanceTwoColumns) {
  Canvas a(6, 1);
  Canvas b(6, 1);
  b.put(0, 0, "設定x");
  // one cursor move: after two wide characters the cursor is at column 5
  EXPECT_EQ(diff_frames(&a, b), "\x1b[1;1H\x1b[0m設定x");
  Canvas c = b;
  c.put(0, 0, "ab");  // replaces the first wide character
  EXPECT_EQ(diff_frames(&b, c), "\x1b[1;1H\x1b[0mab");
}

TEST(ScreenWriter, ResizedScreenIsDrawnAgain) {
  Canvas a(4, 1);
  Canvas b(5, 1);
  b.put(0, 0, "z");
  EXPECT_EQ(diff_frames(&a, b).rfind("\x1b[0m\x1b[H\x1b[2J", 0), 0u);
}

TEST(TerminalModes, RawModeKeepsNothingThatEatsKeys) {
  termios cooked{};
  cooked.c_iflag = ICRNL | IXON | BRKINT | ISTRIP | INPCK;
  cooked.c_oflag = OPOST;
  cooked.c_lflag = ECHO | ICANON | ISIG | IEXTEN;
  termios raw = terminal::raw_mode(cooked);
  EXPECT_EQ(raw.c_iflag & (ICRNL | IXON | BRKINT | ISTRIP | INPCK), 0u);
  EXPECT_EQ(raw.c_oflag & OPOST, 0u);
  EXPECT_EQ(raw.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(raw.c_cflag & CS8, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(raw.c_cc[VMIN], 1);
  EXPECT_EQ(raw.c_cc[VTIME], 0);
}

TEST(TerminalBackend, RefusesWithoutATerminal) {
  // ctest runs tests with stdin redirected from /dev/null
  if (isatty(0) && isatty(1)) GTEST_SKIP() << "running on a terminal";
  std::string error;
  EXPECT_EQ(Ui::create_terminal(&error), nullptr);
  EXPECT_EQ(error, isatty(0) ? "standard output is not a terminal" : "standard input is not a terminal");
}

}  // namespace
}  // namespace klvc::ui
