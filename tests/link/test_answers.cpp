#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/link_status.h"
#include "link/protocol.h"
#include "link_test_support.h"
#include "sim/simulator.h"
#include "support/direct_attachment.h"

namespace klvc {
namespace {

using testing::LinkTest;

TEST(Framing, Rs485PutsTheTwoDigitSlaveNumberInFrontAndRs232SendsTheBodyAlone) {
  const struct {
    int interface_mode, slave;
    const char* line;
  } cases[] = {{1, 7, "07ADT10\r\n"}, {1, 12, "12ADT10\r\n"}, {1, 0, "00ADT10\r\n"},
               {1, 31, "31ADT10\r\n"}, {0, 7, "ADT10\r\n"},    {0, 31, "ADT10\r\n"}};
  for (const auto& c : cases) {
    EXPECT_EQ(frame_command("ADT10\r\n", c.interface_mode, c.slave), c.line) << c.interface_mode << " " << c.slave;
  }
}

class SendCommand : public LinkTest {};

TEST_F(SendCommand, HandsTheFramedLineToTheDirectLineAndMarksItPending) {
  std::vector<std::string> written;
  link.set_direct_line([&](const std::string& bytes) { written.push_back(bytes); });
  link.set_address(1, 7);
  link.send_command("ADT10\r\n");
  link.set_address(0, 7);
  link.send_command(std::string("O03I12\r\n"));
  EXPECT_EQ(written, (std::vector<std::string>{"07ADT10\r\n", "O03I12\r\n"}));
  EXPECT_EQ(link.status().response_pending, 1);
  EXPECT_TRUE(link.last_send_outcome().written);
  EXPECT_EQ(link.last_send_outcome().line_number, 2);
}

TEST_F(SendCommand, RoundTripThroughTheSimulatorShowsSuccess) {
  Simulator sim;
  testing::DirectAttachment attach(link, sim);
  link.send_command("AICB\r\n");
  EXPECT_EQ(sim.lines(), std::vector<std::string>{"AICB"});
  EXPECT_EQ(sim.state().alarm_polarity, 1);
  ASSERT_EQ(sink.count(), 1u);
  EXPECT_EQ(sink.boxes()[0].text, "Success");
  EXPECT_EQ(link.status().response_pending, 0);
}

TEST_F(SendCommand, WithoutAPortNothingCountsAsSentAndTheCommandEndsInNoConnect) {
  ASSERT_FALSE(link.is_open());
  link.send_command("ADT10\r\n");
  EXPECT_FALSE(link.last_send_outcome().written);
  EXPECT_EQ(link.last_send_outcome().error, ENOTCONN);
  EXPECT_FALSE(link.answers_awaited());
  ticks(7);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"No Connect"});
}

class Answers : public LinkTest {};

// The switcher's answers and the box each gives, as the protocol states them.
TEST_F(Answers, EachAnswerGivesItsBoxAndOnlyGoLeavesTheBatchRunning) {
  struct Case {
    const char* answer;
    const char* box;
    BoxIcon icon;
    int error_seen;
  };
  const Case cases[] = {
      {"GO\r\n", "Success", BoxIcon::None, 0},          {"GN\r\n", "Mode Error", BoxIcon::Error, 1},
      {"MENU\r\n", "Menu Display", BoxIcon::Error, 1}, {"E0\r\n", "Framing Error", BoxIcon::Error, 1},
      {"E1\r\n", "Parity Error", BoxIcon::Error, 1},   {"E2\r\n", "Over Run Error", BoxIcon::Error, 1},
      {"E3\r\n", "Command Error", BoxIcon::Error, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    sink.clear();
    link.status().error_seen = 0;
    link.status().response_pending = 1;
    link.status().no_connect_ticks = 3;
    link.handle_response(c.answer);
    ASSERT_EQ(sink.count(), 1u);
    const BoxRequest box = sink.boxes()[0];
    EXPECT_EQ(box.text, c.box);
    EXPECT_EQ(box.caption, c.icon == BoxIcon::None ? "設定完了" : "Error");
    EXPECT_EQ(box.icon, c.icon);
    EXPECT_TRUE(box.beep);
    EXPECT_EQ(link.status().error_seen, c.error_seen);
    EXPECT_EQ(link.status().response_pending, 0);
    EXPECT_EQ(link.status().no_connect_ticks, 0);
  }
  // During a batch success is silent; errors still show.
  sink.clear();
  link.status().batch_step = 4;
  link.handle_response("GO\r\n");
  link.handle_response("E3\r\n");
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Command Error"});
}

TEST_F(Answers, Rs485AnswersLoseTheirTwoLeadingCharacters) {
  link.set_address(1, 0);
  link.handle_response("07GO\r\n");
  link.handle_response("xyGN\r\n");
  EXPECT_EQ(sink.texts(), (std::vector<std::string>{"Success", "Mode Error"}));

  sink.clear();
  link.status().error_seen = 0;
  link.handle_response("7");  // shorter than the prefix: an empty answer, shown as it came
  EXPECT_EQ(link.status().error_seen, 1);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Unknown answer from the switcher: \"7\""});
  link.send_command("ADT10\r\n");
  sink.clear();
  link.handle_response("07XY\r\n");
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Unknown answer from the switcher: \"07XY\""});
}

TEST_F(Answers, AnUnknownAnswerStopsTheBatchAndNamesIt) {
  link.handle_response("XY\r\n");
  EXPECT_EQ(link.status().error_seen, 1);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Unknown answer from the switcher: \"XY\""});

  link.send_command("ADT10\r\n");  // a new command, a new chance to tell
  sink.clear();
  link.handle_response("GO\n");  // LF without CR is not the switcher's success
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Unknown answer from the switcher: \"GO\\n\""});
}

TEST_F(Answers, JunkShowsOneBoxPerCommandNotOnePerLine) {
  for (int i = 0; i < 20; ++i) link.handle_response("??\r\n");
  EXPECT_EQ(sink.count(), 1u);
  EXPECT_EQ(link.status().error_seen, 1);
  link.send_command("ADT10\r\n");
  link.handle_response("??\r\n");
  link.handle_response("E3\r\n");  // known errors always show
  EXPECT_EQ(sink.count(), 3u);
}

// Each answer settles the oldest line waiting; an answer with none waiting
// is unexpected and never counts for a later line.
class AnswerPairing : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    link.set_direct_line([](const std::string&) {});
    link.set_answer_observer([this](const AnswerEvent& e) {
      const char* kind = e.kind == AnswerEvent::Kind::Answer       ? "answer"
                         : e.kind == AnswerEvent::Kind::Unexpected ? "unexpected"
                                                                   : "none";
      events.push_back(std::string(kind) + " " + std::to_string(e.line_number) + " " + e.line +
                       (e.lagged_behind ? " after " + std::to_string(e.lagged_behind) : ""));
    });
  }
  void TearDown() override {
    link.set_answer_observer({});
    LinkTest::TearDown();
  }
  std::vector<std::string> events;
};

TEST_F(AnswerPairing, AnswersSettleLinesInOrderAndExtraOnesAreUnexpected) {
  struct Step {
    const char* send;    // a line to send, or nullptr
    const char* answer;  // an answer that comes, or nullptr
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> events;
    bool still_waiting;
    std::string last_box = "Success";  // once no batch runs
  };
  const Case cases[] = {
      {"in order", {{"BZON\r\n", "GO\r\n"}, {"ADT10\r\n", "GO\r\n"}},
       {"answer 1 BZON", "answer 2 ADT10"}, false},
      {"one answer too many", {{"BZON\r\n", "GO\r\n"}, {nullptr, "GO\r\n"}, {"ADT10\r\n", "GO\r\n"}},
       {"answer 1 BZON", "unexpected 1 BZON", "answer 2 ADT10"}, false},
      {"an answer before any line", {{nullptr, "GO\r\n"}, {"BZON\r\n", nullptr}},
       {"unexpected 0 "}, true},
      // The answer came after a later line was out: whose it is, is a guess.
      {"one answer missing: the last line still waits",
       {{"BZON\r\n", nullptr}, {"ADT10\r\n", "GO\r\n"}}, {"answer 1 BZON after 2"}, true,
       "answers lagged behind the lines from line 1 on; a lost answer cannot be told from a late one at this pace"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    link.set_direct_line([](const std::string&) {});  // a fresh link: numbering from 1
    events.clear();
    for (const Step& s : c.steps) {
      if (s.send) link.send_command(s.send);
      if (s.answer) link.handle_response(s.answer);
    }
    EXPECT_EQ(events, c.events);
    ASSERT_GT(sink.count(), 0u);
    EXPECT_EQ(sink.texts().back(), c.last_box);
    EXPECT_EQ(link.answers_awaited(), c.still_waiting);
    EXPECT_EQ(link.status().response_pending, c.still_waiting ? 1 : 0);
  }
}

TEST_F(AnswerPairing, NoConnectGivesUpEveryWaitingLineAndALateAnswerIsUnexpected) {
  link.send_command("BZON\r\n");
  link.send_command("ADT10\r\n");
  ticks(7);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"No Connect"});
  EXPECT_EQ(events, (std::vector<std::string>{"none 1 BZON", "none 2 ADT10"}));
  link.handle_response("GO\r\n");
  EXPECT_EQ(events.back(), "unexpected 2 ADT10");
  // Lines that name themselves: the box names four and counts the rest.
  for (int ch = 1; ch <= 6; ++ch) link.send_command("ADT10\r\n", LineOwner{"ch0" + std::to_string(ch), {}});
  ticks(7);
  EXPECT_EQ(sink.texts().back(), "No Connect\nch01, ch02, ch03, ch04 ほか 2 件");
}

class NoConnect : public LinkTest {};

TEST_F(NoConnect, TheSeventhTickWithoutAnAnswerReportsAndStopsTheBatch) {
  std::vector<std::string> written;
  link.set_direct_line([&](const std::string& bytes) { written.push_back(bytes); });
  link.send_command("ADT10\r\n");
  ticks(6);
  EXPECT_EQ(sink.count(), 0u);
  ticks(1);
  ASSERT_EQ(sink.texts(), std::vector<std::string>{"No Connect"});
  EXPECT_EQ(sink.boxes()[0].icon, BoxIcon::Error);
  EXPECT_EQ(link.status().error_seen, 1);
  EXPECT_EQ(link.status().response_pending, 0);
  EXPECT_EQ(link.status().no_connect_ticks, 0);
  ticks(20);
  EXPECT_EQ(sink.count(), 1u) << "reported once";
}

TEST_F(NoConnect, AnAnswerStartsTheCountAgainButANewCommandDoesNot) {
  link.set_direct_line([](const std::string&) {});
  link.send_command("ADT10\r\n");
  ticks(5);
  link.status().batch_step = 1;
  link.handle_response("GO\r\n");
  link.send_command("ADT11\r\n");
  ticks(6);
  EXPECT_EQ(sink.count(), 0u);
  link.send_command("ADT12\r\n");  // re-arms pending; the count runs on
  ticks(1);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"No Connect"});
}

TEST_F(NoConnect, NothingPendingNothingReported) {
  ticks(100);
  EXPECT_EQ(sink.count(), 0u);
}

}  // namespace
}  // namespace klvc
