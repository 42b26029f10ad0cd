// The real program on a pseudo-terminal: what the operator sees, and that
// the terminal is handed back as it was.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "pty_session.h"

namespace klvc {
namespace {

using testing::PtySession;

constexpr int kWaitMs = 10000;

class TempHome {
 public:
  TempHome() {
    char tmpl[] = "/tmp/klvc-e2e-XXXXXX";
    path_ = ::mkdtemp(tmpl) ? tmpl : "/tmp";
  }
  ~TempHome() {
    std::string cmd = "rm -rf '" + path_ + "'";
    if (path_ != "/tmp") (void)std::system(cmd.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::vector<std::string> child_env(const TempHome& home) {
  return {"HOME=" + home.path(), "XDG_CONFIG_HOME=" + home.path(), "TERM=xterm-256color",
          "PATH=/usr/bin:/bin", "TZ=UTC"};
}

TEST(ScreenOnPty, AboutBoxOpensWithKeysAndQuitRestoresTheTerminal) {
  TempHome home;
  PtySession pty(100, 30);
  std::string error;
  ASSERT_TRUE(pty.start({KLVC_BINARY, "--simulate"}, child_env(home), &error)) << error;

  ASSERT_TRUE(pty.wait_for_text("ﾚﾃﾞｨ", kWaitMs)) << pty.screen().text();
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

TEST(ScreenWithoutTerminal, SaysItNeedsOneAndExitsTwo) {
  TempHome home;
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
  EXPECT_EQ(std::string(buf, n).rfind("klvc needs a terminal", 0), 0u) << buf;
}

}  // namespace
}  // namespace klvc
