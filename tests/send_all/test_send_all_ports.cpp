// `klvc send-all` as a script runs it, against ports it did not create: the
// simulated switcher in a process of its own, and a misbehaving switcher on a
// pseudo-terminal pair of the test's own. For each: the exit status, the
// one-line verdict, and that the switcher received exactly the lines klvc
// logged as sent. Where answers must lag behind their lines the run keeps
// its timed pace with shortened ticks (the lines stay the same); elsewhere it
// takes the acknowledged pace.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "send_all/sent_record.h"
#include "support/child_process.h"
#include "support/scripted_switcher.h"
#include "support/files.h"
#include "support/scoped_env.h"
#include "support/settings_lines.h"

namespace klvc {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::klvc_env;
using testing::launch;
using testing::logged_as_sent;
using testing::ScriptedSwitcher;
using testing::TempDir;
using Reply = ScriptedSwitcher::Reply;
using Then = Reply::Then;


struct Misbehaviour {
  const char* name;
  const char* pace;
  std::function<Reply(int n)> reply;
  int exit_status;
  std::vector<std::string> verdict;  // parts of the last line on stderr
  bool needs_root = false;           // hanging up another's terminal takes root
};

// Test names carry the case's name, not its bytes.
void PrintTo(const Misbehaviour& m, std::ostream* out) { *out << m.name; }

Reply go() { return Reply{"GO\r\n"}; }

const Misbehaviour kMisbehaviours[] = {
    {"AnswersEveryLine", "ack", [](int) { return go(); }, 0,
     {"klvc send-all: 420 lines sent to KLV-A, every one answered GO"}},
    {"AnswersOneByteAtATime", "ack", [](int) { return Reply{"GO\r\n", 0, true}; }, 0,
     {"420 lines sent to KLV-A, every one answered GO"}},
    {"OneExtraAnswerAfterLine30", "ack",
     [](int n) { return Reply{n == 30 ? "GO\r\nGO\r\n" : "GO\r\n"}; }, 1,
     {"every one answered GO, but 1 answer came with no line awaiting it (first GO after line 30 "}},
    // At the timed pace an answer read after a later line went out may be
    // that line's: the run cannot succeed, and says from where.
    {"SkipsAnAnswerThenSendsAnExtraOne", "timed",
     [](int n) { return Reply{n == 100 ? "" : n == 105 ? "GO\r\nGO\r\n" : "GO\r\n"}; }, 1,
     {"answered GO, but answers lagged behind the lines from line ", "cannot be told from a late one"}},
    {"SlowerThanTheTimedPace", "timed", [](int) { return Reply{"GO\r\n", 20}; }, 1,
     {"answers lagged behind the lines from line "}},
    {"HangsUpAfterTheLastAnswer", "ack",
     [](int n) { return Reply{"GO\r\n", 0, false, n == 420 ? Then::HangUp : Then::Nothing}; }, 0,
     {"klvc send-all: 420 lines sent to KLV-A, every one answered GO"}, true},
    {"AnswersEveryLineTwice", "ack", [](int) { return Reply{"GO\r\nGO\r\n"}; }, 1,
     {"every one answered GO, but ", " came with no line awaiting it"}},
    {"NoAnswerToTheLastLine", "ack", [](int n) { return n == 420 ? Reply{} : go(); }, 1,
     {"no answer to line 420 (CA28", "(No Connect); 419 of 420 lines answered GO; check the cable"}},
    {"AnswersWithAnOverlongLine", "ack", [](int) { return Reply{std::string(100, 'X') + "\r\n"}; }, 1,
     {"stopped by the switcher's answer \"XXXX", "...\" (cut: 102 bytes received) to line 1 (BZOF)"}},
    {"AnswersPastTheLimit", "ack", [](int) { return Reply{"GO\r\n", 4000}; }, 1,
     {"no answer to line 1 (BZOF)", "(No Connect)"}},
    {"HoldsTheLineWithXoff", "ack",
     [](int n) { return Reply{"GO\r\n", 0, false, n == 30 ? Then::HoldWithXoff : Then::Nothing}; }, 1,
     {"klvc send-all: stopped at step ", "; the next line was not sent: could not write to ",
      "within 1 s: the switcher sent XOFF"}},
    {"HangsUpMidRun", "ack",
     [](int n) { return Reply{"GO\r\n", 0, false, n == 30 ? Then::HangUp : Then::Nothing}; }, 1,
     {"klvc send-all: link lost at step "}, true},
    {"VanishesMidRun", "ack",
     [](int n) { return Reply{"GO\r\n", 0, false, n == 30 ? Then::Vanish : Then::Nothing}; }, 1,
     {"klvc send-all: link lost at step "}},
};

class SendAllAgainstAMisbehavingSwitcher : public ::testing::TestWithParam<Misbehaviour> {};

TEST_P(SendAllAgainstAMisbehavingSwitcher, SaysWhatHappenedAndSentWhatItSays) {
  const Misbehaviour& m = GetParam();
  if (m.needs_root && geteuid() != 0) GTEST_SKIP() << "hanging up a terminal takes root";
  TempDir dir;
  ScriptedSwitcher sw([&m](int n, const std::string&) { return m.reply(n); });
  std::string error;
  ASSERT_TRUE(sw.start(&error)) << error;
  // A record of an earlier run: replaced after a run answered GO throughout, else removed.
  testing::ScopedEnv state("XDG_STATE_HOME", dir.file("state").c_str());
  const std::string record = sent_record_path({sw.path()}, 0);
  fs::create_directories(fs::path(record).parent_path());
  testing::write_file(record, "earlier");
  ChildProcess klvc;
  const std::string log = dir.file("traffic.log");
  std::vector<std::string> args = {KLVC_BINARY, "--log", log, "send-all", "--port", sw.path(), "--model", "A",
                                   "--pace", m.pace};
  if (std::string(m.pace) == "timed") args.insert(args.end(), {"--periods", "2:10"});
  ASSERT_TRUE(launch(klvc, args, klvc_env(dir.path())));
  EXPECT_EQ(klvc.wait_exit(60000), m.exit_status) << klvc.err();
  EXPECT_EQ(testing::file_exists(record) ? testing::read_file(record) : "",
            m.exit_status == 0 ? testing::default_settings_file() : "");
  const std::string verdict = klvc.last_err_line();
  for (const std::string& part : m.verdict) EXPECT_NE(verdict.find(part), std::string::npos) << verdict;

  const std::vector<std::string> sent = logged_as_sent(log);
  EXPECT_EQ(sw.lines(), sent);
  // The verdict's count is the count of lines logged as sent.
  const std::string count = std::to_string(sent.size()) + (sent.size() == 1 ? " line" : " lines");
  EXPECT_NE(verdict.find(m.exit_status == 0 ? count + " sent" : count), std::string::npos)
      << verdict << " (" << count << ")";
}

INSTANTIATE_TEST_SUITE_P(Script, SendAllAgainstAMisbehavingSwitcher, ::testing::ValuesIn(kMisbehaviours),
                         [](const ::testing::TestParamInfo<Misbehaviour>& p) { return p.param.name; });

TEST(SendAllAgainstASimulatorProcess, EveryLineReachesItAndIsAnsweredGo) {
  TempDir dir;
  const std::string link = dir.file("switcher");
  ChildProcess sim;
  ASSERT_TRUE(launch(sim, {KLVC_BINARY, "simulate", "--link", link, "--model", "a", "--instant"},
                     klvc_env(dir.path())));
  ASSERT_TRUE(sim.wait_for_err("Ctrl+C stops it.")) << sim.err();

  ChildProcess klvc;
  const std::string log = dir.file("traffic.log");
  ASSERT_TRUE(launch(klvc, {KLVC_BINARY, "send-all", "--log", log, "--port", link, "--model", "KLV-A", "--pace", "ack"},
                     klvc_env(dir.path())));
  EXPECT_EQ(klvc.wait_exit(60000), 0) << klvc.err();
  EXPECT_EQ(klvc.last_err_line(), "klvc send-all: 420 lines sent to KLV-A, every one answered GO");
  // Again with --changed: nothing differs from what it received, so nothing goes.
  for (const char* dry : {"--dry-run", "--pace=ack"}) {
    ChildProcess again;
    ASSERT_TRUE(launch(again, {KLVC_BINARY, "send-all", "--port", link, "--model", "A", "--changed", dry},
                       klvc_env(dir.path())));
    EXPECT_EQ(again.wait_exit(), 0) << again.err();
    EXPECT_EQ(again.out(), "") << dry;
    if (std::string(dry) != "--dry-run") {
      EXPECT_EQ(again.last_err_line(), "klvc send-all: nothing to send to KLV-A on " + link +
                                           ": no line differs from what it holds");
    }
  }
  // What a changed title would change there.
  testing::write_file(dir.file("lobby.txt"), "title ch02 = \"ロビー\"\n");
  ChildProcess diff;
  ASSERT_TRUE(launch(diff, {KLVC_BINARY, "file", "diff", "--sent", link, dir.file("lobby.txt")}, klvc_env(dir.path())));
  EXPECT_EQ(diff.wait_exit(), 1) << diff.err();
  EXPECT_EQ(diff.out(), "title ch02: \"\" -> \"ロビー\"\n");

  sim.signal(SIGTERM);
  EXPECT_EQ(sim.wait_exit(), 128 + SIGTERM);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "its link goes with it";
  // The simulator's trace: its path, then "> LINE   < ANSWER" per line.
  std::vector<std::string> traced;
  std::istringstream out(sim.out());
  std::string first;
  std::getline(out, first);
  const std::string answered = "   < GO\\r\\n";
  for (std::string l; std::getline(out, l);) {
    const std::size_t at = l.find(answered);
    EXPECT_EQ(at + answered.size(), l.size()) << l;
    traced.push_back(l.substr(2, at - 2));
  }
  EXPECT_EQ(traced, logged_as_sent(log));
  EXPECT_EQ(traced.size(), 420u);
  // The log says once, and the screen never, that the pseudo-terminal keeps no parity bit.
  const std::string all = testing::read_file(log);
  std::size_t first_note = all.find("the kernel keeps no parity bit");
  EXPECT_NE(first_note, std::string::npos);
  EXPECT_EQ(all.find("the kernel keeps no parity bit", first_note + 1), std::string::npos);
  EXPECT_EQ(klvc.err().find("parity"), std::string::npos);
}

// After klvc, the device is as it was: anyone may open it again (no exclusive
// mode left behind) and it has the settings it had before.
TEST(SendAllLeavesThePort, AsItFoundIt) {
  TempDir dir;
  ScriptedSwitcher sw([](int, const std::string&) { return go(); });
  std::string error;
  ASSERT_TRUE(sw.start(&error, B19200)) << error;
  const termios before = sw.modes();
  ChildProcess klvc;
  ASSERT_TRUE(launch(klvc, {KLVC_BINARY, "send-all", "--port", sw.path(), "--model", "A", "--pace=ack"},
                     klvc_env(dir.path())));
  ASSERT_EQ(klvc.wait_exit(60000), 0) << klvc.err();

  const termios after = sw.modes();
  EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B19200));
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  // Root ignores exclusive mode; a process that gave it up does not.
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    _exit(open(sw.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK) >= 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "an unprivileged open failed";
}

}  // namespace
}  // namespace klvc
