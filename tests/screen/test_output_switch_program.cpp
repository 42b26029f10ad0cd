// The output switching dialog in the real program on a pseudo-terminal,
// against its built-in simulated switcher: opened from the menu with keys, a
// route changed, Set pressed, and the batch answered line by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/pty_session.h"
#include "support/files.h"

namespace klvc {
namespace {

using testing::PtySession;

constexpr int kWaitMs = 10000;
constexpr char kDown[] = "\x1b[B";
constexpr char kTab[] = "\t";

class OutputSwitchOnPty : public ::testing::Test {
 protected:
  // Starts `klvc --simulate` (KLV-A: 28 inputs, 8 outputs), opens 設定 >
  // 出力切換え with keys, routes output 3 to input 12 and presses Set.
  void route_and_set(const std::string& sim_fail) {
    ASSERT_FALSE(home.path().empty());
    std::vector<std::string> args = {KLVC_BINARY, "--log", log_path(), "--simulate"};
    if (!sim_fail.empty()) args.insert(args.end(), {"--fail", sim_fail});
    ASSERT_TRUE(testing::launch(pty, args, testing::screen_env(home.path())));
    ASSERT_TRUE(pty.wait_for_text("simulated switcher", kWaitMs)) << pty.screen().text();

    pty.send("\x1bs");  // Alt+S: the 設定 menu, its first item is 出力切換え
    ASSERT_TRUE(pty.wait_for_text("出力切換え", kWaitMs)) << pty.screen().text();
    pty.send("\r");
    ASSERT_TRUE(pty.wait_for_text("出力切換え設定 File Name", kWaitMs)) << pty.screen().text();
    ASSERT_TRUE(pty.screen().contains("out08 = 8 ch.")) << pty.screen().text();

    // The output list has the focus: two steps down is output 3.
    pty.send(std::string(kDown) + kDown);
    // The input list shows output 3's input 3; nine steps down is input 12.
    pty.send(kTab);
    for (int i = 0; i < 9; ++i) pty.send(kDown);
    ASSERT_TRUE(pty.wait_for_text("out03 = 12 ch.", kWaitMs)) << pty.screen().text();

    // Same-for-all list, then Set (the slave list is off on RS-232C).
    pty.send(std::string(kTab) + kTab + "\r");
  }

  std::string log_path() const { return home.path() + "/link.log"; }

  // The lines sent ("-> ...") and answered ("<- ...") so far, from the link's log.
  std::vector<std::string> traffic() const {
    std::ifstream in(log_path());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
      const auto at = line.find(" -> ");
      const auto back = line.find(" <- ");
      if (at != std::string::npos) lines.push_back(line.substr(at + 1));
      if (back != std::string::npos) lines.push_back(line.substr(back + 1));
    }
    return lines;
  }

  // Reads the pseudo-terminal (the program's output) until the log holds
  // `count` traffic lines, with a deadline.
  std::vector<std::string> wait_for_traffic(std::size_t count) {
    std::vector<std::string> lines;
    pty.wait_for([&] { return (lines = traffic()).size() >= count; }, kWaitMs);
    return lines;
  }

  testing::TempDir home;
  PtySession pty{80, 24};
};

TEST_F(OutputSwitchOnPty, SetSendsTheRoutesAndTheSwitcherTakesThem) {
  route_and_set("");
  // Every route went out in order, each answered "GO". The timed batch does
  // not wait for answers, so an answer may be logged after the next line.
  const std::vector<std::string> lines = wait_for_traffic(16);
  std::vector<std::string> sent;
  for (const std::string& l : lines) {
    if (l.rfind("-> ", 0) == 0) sent.push_back(l);
  }
  EXPECT_EQ(sent, (std::vector<std::string>{"-> O01I01\\r\\n", "-> O02I02\\r\\n", "-> O03I12\\r\\n",
                                             "-> O04I04\\r\\n", "-> O05I05\\r\\n", "-> O06I06\\r\\n",
                                             "-> O07I07\\r\\n", "-> O08I08\\r\\n"}));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "<- GO\\r\\n"), 8) << ::testing::PrintToString(lines);
  // The batch ended with its last line: the bar is empty again.
  ASSERT_TRUE(pty.wait_for([&] { return !pty.screen().contains("█"); }, kWaitMs)) << pty.screen().text();
  EXPECT_TRUE(pty.screen().contains("out03 = 12 ch.")) << pty.screen().text();
  // Nothing is running and nothing was edited: Ctrl+C leaves at once, whether
  // or not the answer to the last line came after the batch and showed "Success".
  pty.send("\x03");
  EXPECT_EQ(pty.wait_exit(kWaitMs), 0) << pty.screen().text();
}

TEST_F(OutputSwitchOnPty, ARefusedRouteStopsTheBatchWithItsError) {
  route_and_set("3:E3");  // the simulated switcher refuses the third line, O03I12
  ASSERT_TRUE(pty.wait_for_text("Command Error", kWaitMs)) << pty.screen().text();
  pty.send("\r");
  ASSERT_TRUE(pty.wait_for([&] { return !pty.screen().contains("Command Error"); }, kWaitMs));
  pty.send("\x1b");  // closes the dialog, or a late "Success" box before it
  pty.send("\x03");
  EXPECT_EQ(pty.wait_exit(kWaitMs), 0) << pty.screen().text();
  // The switcher got the first three lines, and at most the one more that a
  // tick may send before it sees the error (answered, unless the program had
  // ended first); never the rest of the eight.
  std::vector<std::string> sent, answers;
  for (const std::string& l : traffic()) (l.rfind("-> ", 0) == 0 ? sent : answers).push_back(l);
  const std::vector<std::string> four = {"-> O01I01\\r\\n", "-> O02I02\\r\\n", "-> O03I12\\r\\n", "-> O04I04\\r\\n"};
  ASSERT_TRUE(sent.size() == 3 || sent.size() == 4) << ::testing::PrintToString(sent);
  EXPECT_TRUE(std::equal(sent.begin(), sent.end(), four.begin())) << ::testing::PrintToString(sent);
  ASSERT_GE(answers.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(answers.begin(), answers.begin() + 3),
            (std::vector<std::string>{"<- GO\\r\\n", "<- GO\\r\\n", "<- E3\\r\\n"}));
}

}  // namespace
}  // namespace klvc
