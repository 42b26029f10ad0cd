// `klvc send-all` in-process: its arguments, and its timed run against the
// simulated switcher with a clock the test moves (no real waiting).
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <signal.h>

#include "send_all/send_all.h"
#include "fake_pace.h"
#include "dialogs/send_all.h"
#include "link/link.h"
#include "link/messages.h"
#include "settings/store.h"
#include "sim/simulator.h"
#include "support/direct_attachment.h"
#include "support/send_all_figures.h"

namespace klvc {
namespace {

using klvc::testing::DirectAttachment;
using klvc::testing::FakePace;

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
  EXPECT_EQ(refused({"--port", "tcp:host"}), "--port tcp:host: write it as tcp:HOST:PORT, with PORT 1 to 65535");
  EXPECT_EQ(refused({"--verbose"}), "unknown option '--verbose'");
  EXPECT_NE(refused({"a.dat", "b.dat"}).find("one settings file only"), std::string::npos);
  EXPECT_NE(refused({"--changed", "--changed-from", "old.dat"}).find("choose one of --changed"), std::string::npos);
  EXPECT_NE(refused({"--changed", "--simulate"}).find("--changed needs a port"), std::string::npos);
}

TEST(SendAllArgs, BadUsageExitsWithTwoAndHelpWithZero) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(send_all_main({"--model", "Q"}), kExitUsage);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "klvc send-all: unknown model 'Q' (use A, B, C, D or E)\nRun 'klvc send-all --help'.\n");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(send_all_main({"--help"}), kExitOk);
  const std::string help = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(help.find("--dry-run"), std::string::npos);
  EXPECT_NE(help.find("130"), std::string::npos);
}

// ---------------------------------------------------------------- the timed run

// Counts the boxes the link shows (the program's sink prints only some).
class CountingSink : public MessageSink {
 public:
  std::vector<std::string> texts;
  void post_box(BoxRequest r) override { texts.push_back(r.text); }
  void show_box(BoxRequest r, std::function<void(BoxResult)> on_close) override {
    post_box(r);
    if (on_close) on_close(BoxResult::Ok);
  }
};

class SendAllTimedRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_whole_store();
    set_message_sink(&sink);
  }
  void TearDown() override {
    attachment.reset();
    set_direct_line({});
    set_message_sink(nullptr);
    Link link;
    abandon_send_all(link);
  }
  void attach(int model) {
    store().model_index = model;
    sim = std::make_unique<Simulator>(model);
    attachment = std::make_unique<DirectAttachment>(*sim);
  }
  // The switcher answers through `answer` (line number from 1, its bytes).
  void attach_scripted(int model, std::function<std::string(int, const std::string&)> answer) {
    attach(model);
    attachment.reset();
    set_direct_line([this, answer](const std::string& bytes) {
      const std::string given = answer(++written, sim->receive(bytes));
      feed_received(given.data(), given.size());
    });
  }
  SendAllOutcome run() {
    SendAllReporter reporter(progress, false, store().model_index);
    start_ms = pace.now;
    return run_send_all_timed(pace, reporter, {}, {80, 500});
  }
  SendAllOutcome run_ack() {
    SendAllReporter reporter(progress, false, store().model_index);
    start_ms = pace.now;
    return run_send_all(send_all_script(store(), store().model_index), PaceMode::Ack, pace, reporter);
  }
  std::string verdict(const SendAllOutcome& o) { return send_all_verdict(o, store().model_index, ""); }

  CountingSink sink;
  FakePace pace;
  std::ostringstream progress;
  std::unique_ptr<Simulator> sim;
  std::unique_ptr<DirectAttachment> attachment;
  int written = 0;
  std::int64_t start_ms = 0;
};

TEST_F(SendAllTimedRunTest, EveryLineAnsweredGoExitsZeroAfterTheScheduledTime) {
  attach(0);
  const SendAllOutcome o = run();
  EXPECT_EQ(o.end, SendAllEnd::Finished);
  EXPECT_EQ(o.lines_sent, 420);
  EXPECT_EQ(o.answers.go, 420);
  EXPECT_EQ(sim->lines().size(), 420u);
  EXPECT_EQ(o.run_ms, testing::kSendAllFigures[0].scheduled_ms);
  EXPECT_EQ(send_all_exit_code(o), kExitOk);
  EXPECT_EQ(verdict(o), "klvc send-all: 420 lines sent to KLV-A, every one answered GO");
  EXPECT_EQ(link_status().batch_step, 0);
}

TEST_F(SendAllTimedRunTest, LateWakeUpsDoNotAddUp) {
  attach(1);
  pace.late_by = 7;
  const SendAllOutcome o = run();
  EXPECT_EQ(o.end, SendAllEnd::Finished);
  // Deadlines are absolute: each tick is 7 ms late, the run as a whole too.
  EXPECT_EQ(o.run_ms, 109880 + 7);
}

TEST_F(SendAllTimedRunTest, ErrorAnswerStopsTheRunAtEitherPaceAndExitsOne) {
  for (const bool ack : {false, true}) {
    SCOPED_TRACE(ack ? "acknowledged" : "timed");
    SetUp();
    attach(0);
    sim->fail_command(37, "E3\r\n");
    const SendAllOutcome o = ack ? run_ack() : run();
    EXPECT_EQ(o.end, SendAllEnd::StoppedByAnswer);
    EXPECT_EQ(o.lines_sent, 37);
    EXPECT_EQ(sim->lines().size(), 37u);
    EXPECT_EQ(o.answers.refused, 1);
    EXPECT_EQ(sink.texts, std::vector<std::string>{"Command Error"});
    EXPECT_EQ(send_all_exit_code(o), kExitFailed);
    EXPECT_EQ(verdict(o),
              "klvc send-all: stopped by the switcher's answer E3 (Command Error) to line 37 (AMO0501OF), "
              "at step 77 of 368 after 37 lines; last line sent: AMO0501OF");
    EXPECT_EQ(send_all_answer_report(o),
              std::vector<std::string>{"klvc send-all: line 37 (AMO0501OF) was answered E3 (Command Error)"});
    EXPECT_EQ(link_status().batch_step, 0);
    TearDown();
    sink.texts.clear();
  }
}

TEST_F(SendAllTimedRunTest, SwitcherThatNeverAnswersEndsInNoConnect) {
  attach(0);
  sim->set_silent(true);
  const SendAllOutcome o = run();
  // The seventh check (3.5 s) gives up every line; the next tick stops the run.
  EXPECT_EQ(o.end, SendAllEnd::NoConnect);
  EXPECT_EQ(o.answers.unanswered, 24);
  EXPECT_EQ(pace.now - start_ms, 3520);
  EXPECT_EQ(send_all_exit_code(o), kExitFailed);
  // Steps 25 to 43 send nothing on KLV-A.
  EXPECT_EQ(verdict(o),
            "klvc send-all: stopped: no answer to lines 1-24 within the limit (No Connect), at step 43 "
            "of 368 after 24 lines; last line sent: AIS1616; check the cable, the port and the "
            "switcher's power and address");
}

TEST_F(SendAllTimedRunTest, AnswersAreMatchedToLinesNotCounted) {
  struct Case {
    const char* name;
    std::function<std::string(int, const std::string&)> answer;
    std::string verdict;  // the whole verdict, or how it begins
    bool ack = false;
    SendAllEnd end = SendAllEnd::Finished;
  };
  std::vector<std::pair<std::int64_t, std::string>> slow;  // due, answer
  std::string held;  // answers on their way: they come as the run next waits
  auto later = [&held](std::string a) { held += a; return std::string(); };
  const std::string lagged = "420 lines sent to KLV-A, 420 answered GO, but answers lagged behind the lines from line ";
  const std::string guess = "; a lost answer cannot be told from a late one at this pace";
  const std::string all_go = "klvc send-all: 420 lines sent to KLV-A, every one answered GO";
  const Case cases[] = {
      // One extra GO right after line 30 (all the others answered once).
      {"extra", [](int n, const std::string& a) { return n == 30 ? a + a : a; },
       "klvc send-all: 420 lines sent to KLV-A, every one answered GO, but 1 answer came with no line "
       "awaiting it (first GO after line 30 (AMO0203OF))"},
      // Line 400 unanswered: each later answer settles the line before it,
      // and the last line is the one left without an answer.
      {"lost", [](int n, const std::string& a) { return n == 400 ? std::string() : a; },
       "klvc send-all: 420 lines sent to KLV-A, 419 answered GO, but answers lagged behind the lines from line 400 "
       "on (lines 400-420)" + guess + "; no answer to line 420 (CA28" + std::string(64, ' ') + ")"},
      // Line 100's answer skipped, an extra one after line 105: the count
      // is right, the pairing of lines 100-105 a guess.
      {"skipped then extra", [](int n, const std::string& a) { return n == 100 ? "" : n == 105 ? a + a : a; },
       "klvc send-all: " + lagged + "100 on (lines 100-105)" + guess},
      // 100 ms for each line against the pace's 80: the answers fall ever
      // further behind, until the oldest line waits past the limit.
      {"slower than the pace",
       [this, &slow, busy_until = std::int64_t{0}](int, const std::string& a) mutable {
         busy_until = std::max(busy_until, pace.now) + 100;
         slow.emplace_back(busy_until, a);
         return std::string();
       },
       "klvc send-all: stopped: no answer to lines ", false, SendAllEnd::NoConnect},
      // A 5 s pause after line 100: the lines after it keep their spacing.
      {"paused", [this](int n, const std::string& a) { pace.now += n == 100 ? 5000 : 0; return a; }, all_go},
      // A 5 s pause while the answer to line 100 was on its way: it is no No Connect.
      {"paused awaiting an answer",
       [&](int n, const std::string& a) {
         if (n != 100) return a;
         pace.now += 5000;
         return later(a);
       },
       all_go, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    written = 0;
    held.clear();
    std::vector<std::int64_t> times;
    slow.clear();
    auto due = [&] {
      std::string bytes = std::move(held);
      held.clear();
      for (; !slow.empty() && slow.front().first <= pace.now; slow.erase(slow.begin())) bytes += slow.front().second;
      return bytes;
    };
    attach_scripted(0, [&](int n, const std::string& a) {
      times.push_back(pace.now);
      const std::string now = due();
      feed_received(now.data(), now.size());
      return c.answer(n, a);
    });
    pace.on_wait = [&] {
      const std::string now = due();
      feed_received(now.data(), now.size());
    };
    const SendAllOutcome o = c.ack ? run_ack() : run();
    pace.on_wait = {};
    EXPECT_EQ(o.end, c.end);
    EXPECT_EQ(o.lines_sent == 420, c.end == SendAllEnd::Finished);
    EXPECT_EQ(send_all_exit_code(o), c.verdict == all_go ? kExitOk : kExitFailed);
    EXPECT_EQ(o.answers.lag_first > 0, c.verdict.find(guess) != std::string::npos || c.end != SendAllEnd::Finished);
    // Missed ticks never come as a burst: lines at least half a tick apart.
    for (std::size_t i = 1; i < times.size() && !c.ack; ++i) ASSERT_GE(times[i] - times[i - 1], 40) << i;
    std::string got = verdict(o);
    // Titles are 16 full-width spaces: "2121" sixteen times.
    const std::string blank_title = [] {
      std::string t;
      for (int i = 0; i < 16; ++i) t += "2121";
      return t;
    }();
    const std::size_t at = got.find(blank_title);
    if (at != std::string::npos) got.replace(at, blank_title.size(), std::string(64, ' '));
    EXPECT_EQ(got.substr(0, c.verdict.size()), c.verdict) << got;
    TearDown();
  }
}

TEST_F(SendAllTimedRunTest, ASignalStopsAfterTheCurrentLineAndSaysWhere) {
  const std::pair<int, const char*> signals[] = {{SIGINT, "Ctrl+C"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};
  for (const auto& [sig, name] : signals) {
    SCOPED_TRACE(name);
    SetUp();
    attach(0);
    pace.interrupt_at = pace.now + 1000;
    pace.interrupt_signal = sig;
    const SendAllOutcome o = run();
    EXPECT_EQ(o.end, SendAllEnd::Interrupted);
    EXPECT_EQ(send_all_exit_code(o), 128 + sig);
    EXPECT_EQ(verdict(o), std::string("klvc send-all: interrupted by ") + name +
                              " at step 12 of 368 after 12 lines; last line sent: AIS0404");
    EXPECT_EQ(link_status().batch_step, 0);
    EXPECT_EQ(sim->lines().size(), 12u) << "nothing more goes out once stopped";
    TearDown();
  }
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

// ---------------------------------------------------------------- acknowledged pace

TEST_F(SendAllTimedRunTest, AckRunSendsTheTimedRunsLinesWithoutWaitingForTicks) {
  for (int model = 0; model < kModelCount; ++model) {
    SCOPED_TRACE(model_name(model));
    attach(model);
    run();
    const std::vector<std::string> timed = sim->lines();
    TearDown();
    SetUp();
    attach(model);
    const SendAllOutcome o = run_ack();
    EXPECT_EQ(o.end, SendAllEnd::Finished);
    EXPECT_EQ(o.lines_sent, testing::kSendAllFigures[model].commands);
    EXPECT_EQ(sim->lines(), timed);
    // The answers come at once here: the only time taken is one answer's
    // line time after the last, for an answer no line awaits.
    EXPECT_EQ(pace.now - start_ms, 5);
    EXPECT_EQ(send_all_exit_code(o), kExitOk);
    TearDown();
    SetUp();
  }
}

TEST_F(SendAllTimedRunTest, AckRunStopsAtAMissingAnswer) {
  attach(0);
  sim->set_silent(true);
  const SendAllOutcome o = run_ack();
  // One line, never a second before its answer; the seventh check gives it up.
  EXPECT_EQ(o.end, SendAllEnd::NoConnect);
  EXPECT_EQ(sim->lines().size(), 1u);
  EXPECT_EQ(pace.now - start_ms, 3500);
  EXPECT_EQ(send_all_exit_code(o), kExitFailed);
}

TEST(SendAllReporterTest, OnATerminalOneBarIsRedrawnAndClearedForMessages) {
  std::ostringstream out;
  SendAllReporter r(out, true, 0);
  SendAllProgress p;
  p.progress_max = 369;
  p.lines_sent = 1;
  p.lines_total = 420;
  p.step = 1;
  p.ms_left = 91320;
  r.tick(p);
  p.step = 184;
  p.progress_pos = 183;
  p.ms_left = 45000;
  r.tick(p);
  r.message("Error: Command Error");
  r.done();
  const std::string s = out.str();
  EXPECT_EQ(s.rfind("\r[..............................] step 1/368  lines 1/420  1:32 left", 0), 0u);
  EXPECT_NE(s.find("\r[##############................] step 184/368"), std::string::npos);
  EXPECT_NE(s.find("\r\033[KError: Command Error\n"), std::string::npos);
  EXPECT_EQ(s.find('\n'), s.find("Error: Command Error\n") + 20);  // bar lines never end in LF
  EXPECT_FALSE(r.closed());
}

}  // namespace
}  // namespace klvc
