// The real program on a pseudo-terminal: what the operator sees, where the
// cursor stands, and that the terminal is handed back as it was on every way
// out, signals included.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <sstream>
#include <string>

#include "support/child_process.h"
#include "support/pty_session.h"
#include "support/files.h"
#include "ui/text_width.h"

namespace klvc {
namespace {

using testing::PtySession;

constexpr int kWaitMs = 10000;

// Starts `klvc --simulate` and waits for its main window.
void start_screen(PtySession& pty, const testing::TempDir& home) {
  ASSERT_TRUE(testing::launch(pty, {KLVC_BINARY, "--simulate"}, testing::screen_env(home.path())));
  ASSERT_TRUE(pty.wait_for_text("ﾚﾃﾞｨ", kWaitMs)) << pty.screen().text();
}

TEST(ScreenOnPty, AboutBoxOpensWithKeysAndQuitRestoresTheTerminal) {
  testing::TempDir home;
  PtySession pty(100, 30);
  ASSERT_NO_FATAL_FAILURE(start_screen(pty, home));
  const std::string first = pty.screen().text();
  EXPECT_TRUE(pty.screen().contains("ファイル")) << first;
  EXPECT_TRUE(pty.screen().contains("ﾍﾙﾌﾟ")) << first;
  EXPECT_TRUE(pty.screen().contains("simulated switcher")) << first;
  EXPECT_TRUE(pty.screen().mode(1049)) << "alternate screen in use";

  pty.send("\x1bh");  // Alt+H: the ﾍﾙﾌﾟ menu
  ASSERT_TRUE(pty.wait_for_text("KLVC のﾊﾞｰｼﾞｮﾝ情報.", kWaitMs)) << pty.screen().text();
  pty.send("\r");
  ASSERT_TRUE(pty.wait_for_text("KLVC Version 2.10", kWaitMs)) << pty.screen().text();
  EXPECT_TRUE(pty.screen().contains("KLVCのﾊﾞｰｼﾞｮﾝ情報")) << pty.screen().text();
  pty.send("\r");  // OK is the default button
  ASSERT_TRUE(pty.wait_for([&] { return !pty.screen().contains("KLVC Version 2.10"); }, kWaitMs))
      << pty.screen().text();

  pty.send("\x03");  // Ctrl+C closes the window; nothing was edited, so no question
  EXPECT_EQ(pty.wait_exit(kWaitMs), 0) << pty.screen().text();

  EXPECT_FALSE(pty.screen().mode(1049)) << "alternate screen left";
  EXPECT_FALSE(pty.screen().mode(1000)) << "mouse reporting off";
  EXPECT_FALSE(pty.screen().mode(1006)) << "mouse reporting off";
  const termios now = pty.current_modes();
  const termios& before = pty.initial_modes();
  const tcflag_t lmask = ISIG | ICANON | ECHO | IEXTEN;
  EXPECT_EQ(now.c_lflag & lmask, before.c_lflag & lmask);
  EXPECT_EQ(now.c_iflag & (ICRNL | IXON), before.c_iflag & (ICRNL | IXON));
  EXPECT_EQ(now.c_oflag & OPOST, before.c_oflag & OPOST);
}

// The modes a program must hand back: the shell's cooked terminal, the
// normal screen, no mouse reports, the cursor shown.
void expect_terminal_given_back(const PtySession& pty) {
  EXPECT_FALSE(pty.screen().mode(1049)) << "alternate screen left";
  EXPECT_FALSE(pty.screen().mode(1000)) << "mouse reporting off";
  EXPECT_TRUE(pty.screen().mode(25)) << "cursor shown";
  const termios now = pty.current_modes();
  const tcflag_t lmask = ISIG | ICANON | ECHO | IEXTEN;
  EXPECT_EQ(now.c_lflag & lmask, pty.initial_modes().c_lflag & lmask);
}

// Starts `klvc --simulate` at 80x24 and types "abc" into channel 1's title
// (Tab and Enter open the title dialog from the toolbar).
void start_and_type_a_title(PtySession& pty, const testing::TempDir& home) {
  ASSERT_NO_FATAL_FAILURE(start_screen(pty, home));
  pty.send("\t\r");
  ASSERT_TRUE(pty.wait_for_text("Title", kWaitMs)) << pty.screen().text();
  pty.send("abcあい");
  ASSERT_TRUE(pty.wait_for_text("ch01 = abcあい", kWaitMs)) << pty.screen().text();
}

TEST(ScreenOnPty, TheCursorStaysAtTheTitleCaretWhileTheClockTicks) {
  testing::TempDir home;
  PtySession pty(80, 24);
  start_and_type_a_title(pty, home);
  // Two ticks of the status bar's clock (row 22).
  for (int tick = 0; tick < 2; ++tick) {
    const std::string before = pty.screen().row(22);
    ASSERT_TRUE(pty.wait_for([&] { return pty.screen().row(22) != before; }, kWaitMs)) << before;
  }
  // The caret: after the field's "[" and the 7 cells of "abcあい".
  int row = -1;
  std::size_t at = std::string::npos;
  for (int y = 0; y < 24 && at == std::string::npos; ++y) {
    at = pty.screen().row(y).find("[abcあい");
    row = y;
  }
  ASSERT_NE(at, std::string::npos) << pty.screen().text();
  const int column = ui::display_width(pty.screen().row(row).substr(0, at)) + 1 + 7;
  EXPECT_TRUE(pty.screen().mode(25)) << "cursor shown";
  EXPECT_EQ(pty.screen().cursor_y(), row);
  EXPECT_EQ(pty.screen().cursor_x(), column);
  pty.send("\x03");  // the edited title: the exit question, answered Yes
  ASSERT_TRUE(pty.wait_for_text("データを保存せずに終了しますか？", kWaitMs)) << pty.screen().text();
  pty.send("y");
  EXPECT_EQ(pty.wait_exit(kWaitMs), 0);
}

TEST(ScreenOnPty, EndedFromOutsideItGivesTheTerminalBackAndKeepsEditedTitles) {
  for (int sig : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    testing::TempDir home;
    PtySession pty(80, 24);
    start_and_type_a_title(pty, home);
    ::kill(pty.pid(), sig);
    EXPECT_EQ(pty.wait_exit(kWaitMs), 128 + sig) << pty.screen().text();  // no question asked
    expect_terminal_given_back(pty);
    const std::string state = home.path() + "/.local/state/klvc";
    std::istringstream names(testing::list_dir(state));
    std::string name;
    for (std::string n; names >> n;) name = n.rfind("unsaved-", 0) == 0 ? n : name;
    ASSERT_FALSE(name.empty()) << "no recovery file in " << state;
    const std::string saved = testing::read_file(state + "/" + name);
    EXPECT_EQ(saved.substr(0, saved.find('\n')), "abc\x82\xA0\x82\xA2\r");  // channel 1's title, in Shift-JIS
    // Said on the shell's screen, once the terminal is back.
    EXPECT_TRUE(pty.wait_for_text("klvc: the edited titles were not saved", kWaitMs)) << pty.screen().text();
  }
}

TEST(ScreenOnPty, ACrashStillGivesTheTerminalBack) {
  testing::TempDir home;
  PtySession pty(80, 24);
  ASSERT_NO_FATAL_FAILURE(start_screen(pty, home));
  ::kill(pty.pid(), SIGSEGV);
  EXPECT_EQ(pty.wait_exit(kWaitMs), -1);
  EXPECT_EQ(pty.exit_signal(), SIGSEGV);
  expect_terminal_given_back(pty);
}

TEST(ScreenOnPty, ResizeStopAndContinueRedrawTheScreen) {
  testing::TempDir home;
  PtySession pty(80, 24);
  ASSERT_NO_FATAL_FAILURE(start_screen(pty, home));

  // SIGWINCH: laid out for the new size, the key line on the new last row.
  pty.resize(100, 30);
  ASSERT_TRUE(pty.wait_for([&] { return pty.screen().row(29).find("F10 メニュー") != std::string::npos; }, kWaitMs))
      << pty.screen().text();
  EXPECT_NE(pty.screen().row(28).find("ﾚﾃﾞｨ"), std::string::npos);

  // Stopped and continued from outside: the screen is taken again and drawn whole.
  ::kill(pty.pid(), SIGSTOP);
  ASSERT_TRUE(pty.wait_stopped(kWaitMs));
  std::size_t mark = pty.raw_output().size();
  ::kill(pty.pid(), SIGCONT);
  ASSERT_TRUE(pty.wait_for([&] { return pty.raw_output().find("\x1b[2J", mark) != std::string::npos; }, kWaitMs));
  ASSERT_TRUE(pty.wait_for_text("ﾚﾃﾞｨ", kWaitMs));
  EXPECT_EQ(pty.current_modes().c_lflag & ICANON, 0u) << "raw again";

  // Ctrl+Z gives the terminal back before stopping and takes it again after.
  // (Started here as a session leader, its stop is dropped by the kernel, so it goes on at once.)
  mark = pty.raw_output().size();
  pty.send("\x1a");
  ASSERT_TRUE(pty.wait_for(
      [&] {
        const std::size_t back = pty.raw_output().find("\x1b[?1049l", mark);
        return back != std::string::npos && pty.raw_output().find("\x1b[?1049h", back) != std::string::npos;
      },
      kWaitMs));
  ASSERT_TRUE(pty.wait_for_text("ﾚﾃﾞｨ", kWaitMs));
  pty.send("\x03");
  EXPECT_EQ(pty.wait_exit(kWaitMs), 0);
}

TEST(ScreenWithoutTerminal, SaysItNeedsOneAndExitsTwo) {
  testing::TempDir home;
  const std::string err_file = home.path() + "/stderr.txt";
  const std::string cmd = "HOME='" + home.path() + "' XDG_CONFIG_HOME='" + home.path() + "' '" + KLVC_BINARY +
                          "' </dev/null >/dev/null 2>'" + err_file + "'";
  const int status = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  FILE* f = std::fopen(err_file.c_str(), "r");
  ASSERT_NE(f, nullptr);
  char buf[512] = {};
  std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  EXPECT_EQ(std::string(buf, n).rfind("klvc: the screen needs a terminal", 0), 0u) << buf;
}

}  // namespace
}  // namespace klvc
