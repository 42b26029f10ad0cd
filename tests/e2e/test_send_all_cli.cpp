// `klvc send-all` in-process: its arguments, and its timed run against the
// simulated switcher with a clock the test moves (no real waiting).
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli_send_all.h"
#include "dialogs/send_all.h"
#include "link/link.h"
#include "link/messages.h"
#include "settings/store.h"
#include "sim/simulator.h"

namespace klvc {
namespace {

// ---------------------------------------------------------------- arguments

SendAllOptions parsed(const std::vector<std::string>& args) {
  SendAllOptions o;
  std::string error;
  EXPECT_TRUE(parse_send_all_args(args, &o, &error)) << error;
  return o;
}

std::string refused(const std::vector<std::string>& args) {
  SendAllOptions o;
  std::string error;
  EXPECT_FALSE(parse_send_all_args(args, &o, &error));
  return error;
}

TEST(SendAllArgs, TakesAFileAModelAPortAndTheRs485Address) {
  SendAllOptions none = parsed({});
  EXPECT_TRUE(none.file.empty());
  EXPECT_EQ(none.model, -1);
  EXPECT_EQ(none.com, -1);
  EXPECT_FALSE(none.simulate || none.rs485 || none.dry_run || none.force);

  SendAllOptions o = parsed({"site.dat", "--model", "c", "--com", "3", "--rs485", "--slave", "17"});
  EXPECT_EQ(o.file, "site.dat");
  EXPECT_EQ(o.model, 2);
  EXPECT_EQ(o.com, 2);
  EXPECT_TRUE(o.rs485);
  EXPECT_EQ(o.slave, 17);

  EXPECT_EQ(parsed({"--model", "KLV-E"}).model, 4);
  EXPECT_EQ(parsed({"--port", "/dev/ttyUSB0"}).port, "/dev/ttyUSB0");
  SendAllOptions d = parsed({"--simulate", "--dry-run", "--force", "x.dat"});
  EXPECT_TRUE(d.simulate && d.dry_run && d.force);
  EXPECT_TRUE(parsed({"--help"}).help);
}

TEST(SendAllArgs, RefusesWhatItCannotUseWithAReason) {
  EXPECT_NE(refused({"--model", "F"}).find("unknown model 'F'"), std::string::npos);
  EXPECT_NE(refused({"--com", "7"}).find("1 to 6"), std::string::npos);
  EXPECT_NE(refused({"--com", "0"}).find("1 to 6"), std::string::npos);
  EXPECT_NE(refused({"--slave", "32", "--rs485"}).find("0 to 31"), std::string::npos);
  EXPECT_EQ(refused({"--slave", "3"}), "--slave needs --rs485");
  EXPECT_EQ(refused({"--port", "/dev/ttyS1", "--simulate"}),
            "choose one of --port, --com and --simulate");
  EXPECT_EQ(refused({"--com", "1", "--port", "/dev/x"}), "choose one of --port, --com and --simulate");
  EXPECT_EQ(refused({"--model"}), "--model needs a value");
  EXPECT_EQ(refused({"--verbose"}), "unknown option '--verbose'");
  EXPECT_NE(refused({"a.dat", "b.dat"}).find("one settings file only"), std::string::npos);
}

TEST(SendAllArgs, BadUsageExitsWithTwoAndHelpWithZero) {
  EXPECT_EQ(send_all_main({"--model", "Q"}), kExitUsage);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(send_all_main({"--help"}), kExitOk);
  const std::string help = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(help.find("--dry-run"), std::string::npos);
  EXPECT_NE(help.find("130"), std::string::npos);
}

// ---------------------------------------------------------------- the timed run

class FakePace : public SendAllPace {
 public:
  std::int64_t now = 5000;
  std::int64_t late_by = 0;        // every wake-up comes this much after its deadline
  std::int64_t interrupt_at = -1;  // Ctrl+C at this time
  std::int64_t now_ms() override { return now; }
  void wait_until(std::int64_t deadline) override {
    if (interrupt_at >= 0 && deadline >= interrupt_at && now < interrupt_at) {
      now = interrupt_at;  // the signal ends the sleep early
      return;
    }
    now = std::max(now, deadline + late_by);
  }
  bool interrupted() override { return interrupt_at >= 0 && now >= interrupt_at; }
};

// Counts boxes and answers as the program's own hooks do.
class CountingSink : public MessageSink {
 public:
  std::vector<std::string> texts;
  int no_connects = 0;
  void post_box(BoxRequest r) override {
    if (r.text == "No Connect") ++no_connects;
    texts.push_back(r.text);
  }
  void show_box(BoxRequest r, std::function<void(int)> on_close) override {
    post_box(r);
    if (on_close) on_close(kIdOk);
  }
};

class SendAllTimedRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_whole_store();
    send_all_terminal = 0;
    send_all_output = 0;
    set_message_sink(&sink);
    set_answer_observer([this](bool go) {
      ++answers;
      go_answers += go;
    });
  }
  void TearDown() override {
    attachment.reset();
    set_direct_line({});
    set_answer_observer({});
    set_message_sink(nullptr);
    abandon_send_all();
  }
  void attach(int model) {
    store().model_index = model;
    sim = std::make_unique<Simulator>(model);
    attachment = std::make_unique<DirectAttachment>(*sim);
  }
  SendAllOutcome run() {
    SendAllHooks hooks;
    hooks.tally = [this] {
      SendAllTally t;
      t.answers = answers;
      t.go_answers = go_answers;
      t.error_answers = answers - go_answers;
      t.no_connects = sink.no_connects;
      return t;
    };
    SendAllReporter reporter(progress, false, store().model_index);
    start_ms = pace.now;
    return run_send_all_timed(pace, reporter, hooks);
  }

  CountingSink sink;
  FakePace pace;
  std::ostringstream progress;
  std::unique_ptr<Simulator> sim;
  std::unique_ptr<DirectAttachment> attachment;
  int answers = 0;
  int go_answers = 0;
  std::int64_t start_ms = 0;
};

TEST_F(SendAllTimedRunTest, EveryLineAnsweredGoExitsZeroAfterTheScheduledTime) {
  attach(0);
  const SendAllOutcome o = run();
  EXPECT_TRUE(o.finished);
  EXPECT_EQ(o.tally.lines_sent, 420);
  EXPECT_EQ(o.tally.go_answers, 420);
  EXPECT_EQ(sim->lines().size(), 420u);
  EXPECT_EQ(pace.now - start_ms, 91400);
  EXPECT_EQ(send_all_exit_code(o), kExitOk);
  EXPECT_EQ(store().batch_step, 0);
}

TEST_F(SendAllTimedRunTest, LateWakeUpsDoNotAddUp) {
  attach(1);
  pace.late_by = 7;
  const SendAllOutcome o = run();
  EXPECT_TRUE(o.finished);
  // Deadlines are absolute: each tick is 7 ms late, the run as a whole too.
  EXPECT_EQ(pace.now - start_ms, 109880 + 7);
}

TEST_F(SendAllTimedRunTest, ErrorAnswerStopsTheRunAndExitsOne) {
  attach(0);
  sim->fail_command(37, "E3\r\n");
  const SendAllOutcome o = run();
  EXPECT_TRUE(o.stopped);
  EXPECT_FALSE(o.finished);
  EXPECT_EQ(o.tally.lines_sent, 37);
  EXPECT_EQ(o.tally.error_answers, 1);
  EXPECT_EQ(o.last_step, 77);
  EXPECT_EQ(o.last_line, "AMO0501OF");
  EXPECT_EQ(sink.texts, std::vector<std::string>{"Command Error"});
  EXPECT_EQ(send_all_exit_code(o), kExitFailed);
  EXPECT_EQ(store().batch_step, 0);
}

TEST_F(SendAllTimedRunTest, SwitcherThatNeverAnswersEndsInNoConnect) {
  attach(0);
  sim->set_silent(true);
  const SendAllOutcome o = run();
  // The seventh check (3.5 s) reports; the next tick stops the run.
  EXPECT_EQ(sink.no_connects, 1);
  EXPECT_TRUE(o.stopped);
  EXPECT_EQ(o.last_step, 3500 / 80);
  EXPECT_EQ(o.tally.lines_sent, 8 + 16);  // steps 25 to 43 send nothing on KLV-A
  EXPECT_EQ(pace.now - start_ms, 3520);
  EXPECT_EQ(send_all_exit_code(o), kExitFailed);
}

TEST_F(SendAllTimedRunTest, ALostAnswerIsWaitedForAndThenCountsAsFailure) {
  attach(0);
  attachment.reset();
  int written = 0;
  set_direct_line([&](const std::string& bytes) {
    const std::string answer = sim->receive(bytes);
    if (++written != 5) feed_received(answer.data(), answer.size());
  });
  const SendAllOutcome o = run();
  EXPECT_TRUE(o.finished);
  EXPECT_TRUE(o.unanswered);
  EXPECT_EQ(o.tally.answers, 419);
  // The wait after the last line gives up at the seventh check.
  EXPECT_LE(pace.now - start_ms, 91400 + 7 * 500);
  EXPECT_GT(pace.now - start_ms, 91400 + 6 * 500);
  EXPECT_EQ(send_all_exit_code(o), kExitFailed);
}

TEST_F(SendAllTimedRunTest, InterruptStopsAfterTheCurrentLineAndSaysWhere) {
  attach(0);
  pace.interrupt_at = pace.now + 1000;
  const SendAllOutcome o = run();
  EXPECT_TRUE(o.interrupted);
  EXPECT_EQ(o.tally.lines_sent, 12);
  EXPECT_EQ(o.last_step, 12);
  EXPECT_EQ(o.last_line, "AIS0404");
  EXPECT_EQ(store().batch_step, 0);
  EXPECT_EQ(send_all_exit_code(o), kExitInterrupted);
  // Nothing more goes out once stopped.
  EXPECT_EQ(sim->lines().size(), 12u);
}

TEST_F(SendAllTimedRunTest, WithoutATerminalProgressIsOneLinePerGroupOfSettings) {
  attach(0);
  run();
  std::vector<std::string> lines;
  std::istringstream in(progress.str());
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "send-all: step 1/368, alarm settings, 1/420 lines sent, 1:32 left");
  EXPECT_EQ(lines[2], "send-all: step 9/368, alarm input terminals, 9/420 lines sent, 1:31 left");
  EXPECT_EQ(lines.back().rfind("send-all: step 341/368, channel titles, 393/420 lines sent, 0:14 left", 0),
            0u);
  EXPECT_EQ(progress.str().find('\r'), std::string::npos);
}

TEST(SendAllReporterTest, OnATerminalOneBarIsRedrawnAndClearedForMessages) {
  std::ostringstream out;
  SendAllReporter r(out, true, 0);
  SendAllTally t;
  t.lines_sent = 1;
  r.tick(1, 0, 369, t, 91320);
  r.tick(184, 183, 369, t, 45000);
  r.message("Error: Command Error");
  r.done();
  const std::string s = out.str();
  EXPECT_EQ(s.rfind("\r[..............................] step 1/368  lines 1/420  1:32 left", 0), 0u);
  EXPECT_NE(s.find("\r[##############................] step 184/368"), std::string::npos);
  EXPECT_NE(s.find("\r\033[KError: Command Error\n"), std::string::npos);
  EXPECT_EQ(s.find('\n'), s.find("Error: Command Error\n") + 20);  // bar lines never end in LF
}

}  // namespace
}  // namespace klvc
