#include "ui/screen_writer.h"

#include <gtest/gtest.h>

#include "ui/terminal_modes.h"
#include "ui/ui.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace klvc::ui {
namespace {

TEST(ScreenWriter, FirstFrameClearsAndWritesOnlyNonBlankCells) {
  Canvas c(10, 2);
  c.put(2, 1, "ab");
  // The cursor's state is unknown before a first frame: hidden first thing.
  EXPECT_EQ(diff_frames(nullptr, c), "\x1b[?25l\x1b[0m\x1b[H\x1b[2J\x1b[2;3Hab");
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
  EXPECT_EQ(diff_frames(&a, b).rfind("\x1b[?25l\x1b[0m\x1b[H\x1b[2J", 0), 0u);
}

TEST(ScreenWriter, EveryFrameEndsWithTheCursorAtTheCaret) {
  Canvas a(20, 3);
  a.put(0, 2, "12:00:00");
  a.set_cursor(5, 0);  // a field's caret
  Canvas b = a;
  b.put(7, 2, "1");  // the clock ticks: the status bar changes
  // hidden while the cell is written, then back at the caret and shown
  EXPECT_EQ(diff_frames(&a, b), "\x1b[?25l\x1b[3;8H\x1b[0m1\x1b[1;6H\x1b[?25h");
  Canvas c = b;
  c.set_cursor(6, 0);  // only the caret moved
  EXPECT_EQ(diff_frames(&b, c), "\x1b[1;7H\x1b[?25h");
  Canvas d = c;
  d.hide_cursor();  // the field lost the focus
  EXPECT_EQ(diff_frames(&c, d), "\x1b[?25l");
  EXPECT_EQ(diff_frames(&d, d), "");
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

// Puts `fd` in place of standard input or output for the test's duration.
class Redirect {
 public:
  Redirect(int target, int fd) : target_(target), saved_(::dup(target)) { ::dup2(fd, target); }
  ~Redirect() {
    ::dup2(saved_, target_);
    ::close(saved_);
  }

 private:
  int target_;
  int saved_;
};

TEST(TerminalBackend, RefusesWithoutATerminal) {
  // Whatever the test runs on: stdin from /dev/null, then stdin a terminal
  // (a pseudo-terminal of our own) and stdout /dev/null.
  int master = -1;
  int slave = -1;
  ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  const int null_fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  ASSERT_GE(null_fd, 0);
  struct Case {
    int in;
    int out;
    const char* error;
  };
  for (const Case& c : {Case{null_fd, slave, "standard input is not a terminal"},
                        Case{slave, null_fd, "standard output is not a terminal"}}) {
    std::string error;
    std::unique_ptr<Ui> ui;
    {
      Redirect in(0, c.in);
      Redirect out(1, c.out);
      ui = Ui::create_terminal(&error);
    }
    EXPECT_EQ(ui, nullptr);
    EXPECT_EQ(error, c.error);
  }
  ::close(null_fd);
  ::close(master);
  ::close(slave);
}

}  // namespace
}  // namespace klvc::ui
