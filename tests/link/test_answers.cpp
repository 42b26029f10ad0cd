#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/protocol.h"
#include "link_test_support.h"
#include "sim/simulator.h"

namespace klvc {
namespace {

using testing::LinkTest;

TEST(Framing, Rs485PutsTwoDigitSlaveNumberInFront) {
  EXPECT_EQ(frame_command("ADT10\r\n", 1, 7), std::string("\x30\x37") + "ADT10\r\n");
  EXPECT_EQ(frame_command("ADT10\r\n", 1, 12), std::string("\x31\x32") + "ADT10\r\n");
  EXPECT_EQ(frame_command("ADT10\r\n", 1, 0), "00ADT10\r\n");
  EXPECT_EQ(frame_command("ADT10\r\n", 1, 31), "31ADT10\r\n");
}

TEST(Framing, Rs232SendsTheBodyAloneWhateverTheSlaveNumber) {
  EXPECT_EQ(frame_command("ADT10\r\n", 0, 7), "ADT10\r\n");
  EXPECT_EQ(frame_command("ADT10\r\n", 0, 31), "ADT10\r\n");
}

class SendCommand : public LinkTest {};

TEST_F(SendCommand, HandsTheFramedLineToTheDirectLineAndMarksItPending) {
  std::vector<std::string> written;
  set_direct_line([&](const std::string& bytes) { written.push_back(bytes); });
  store().interface_mode = 1;
  store().slave_number = 7;
  send_command("ADT10\r\n");
  store().interface_mode = 0;
  send_command(std::string("O03I12\r\n"));
  EXPECT_EQ(written, (std::vector<std::string>{"07ADT10\r\n", "O03I12\r\n"}));
  EXPECT_EQ(store().response_pending, 1);
}

TEST_F(SendCommand, RoundTripThroughTheSimulatorShowsSuccess) {
  Simulator sim;
  DirectAttachment attach(sim);
  send_command("AICB\r\n");
  EXPECT_EQ(sim.lines(), std::vector<std::string>{"AICB"});
  EXPECT_EQ(sim.state().alarm_polarity, 1);
  ASSERT_EQ(sink.count(), 1u);
  EXPECT_EQ(sink.boxes()[0].text, "Success");
  EXPECT_EQ(store().response_pending, 0);
}

class Answers : public LinkTest {};

TEST_F(Answers, SuccessShowsItsBoxUnlessABatchRuns) {
  store().response_pending = 1;
  store().no_connect_ticks = 3;
  handle_response("GO\r\n");
  ASSERT_EQ(sink.count(), 1u);
  BoxRequest box = sink.boxes()[0];
  EXPECT_EQ(box.text, "Success");
  EXPECT_EQ(box.caption, "設定完了");
  EXPECT_EQ(box.icon, BoxIcon::None);
  EXPECT_TRUE(box.beep);
  EXPECT_EQ(store().error_seen, 0);
  EXPECT_EQ(store().response_pending, 0);
  EXPECT_EQ(store().no_connect_ticks, 0);

  store().batch_step = 4;
  handle_response("GO\r\n");
  EXPECT_EQ(sink.count(), 1u) << "success is silent during a batch";
}

TEST_F(Answers, EachErrorAnswerShowsItsBoxAndStopsTheBatch) {
  const std::pair<const char*, const char*> table[] = {
      {"GN\r\n", "Mode Error"},   {"MENU\r\n", "Menu Display"}, {"E0\r\n", "Framing Error"},
      {"E1\r\n", "Parity Error"}, {"E2\r\n", "Over Run Error"}, {"E3\r\n", "Command Error"},
  };
  store().batch_step = 2;  // error boxes show during a batch too
  for (const auto& [answer, text] : table) {
    sink.clear();
    store().error_seen = 0;
    handle_response(answer);
    ASSERT_EQ(sink.count(), 1u) << answer;
    BoxRequest box = sink.boxes()[0];
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.icon, BoxIcon::Error);
    EXPECT_EQ(store().error_seen, 1) << answer;
  }
}

TEST_F(Answers, Rs485AnswersLoseTheirTwoLeadingCharacters) {
  store().interface_mode = 1;
  handle_response("07GO\r\n");
  handle_response("xyGN\r\n");
  EXPECT_EQ(sink.texts(), (std::vector<std::string>{"Success", "Mode Error"}));

  sink.clear();
  store().error_seen = 0;
  handle_response("7");  // shorter than the prefix: an empty answer
  EXPECT_EQ(store().error_seen, 1);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Unknown answer from the switcher: \"\""});
}

TEST_F(Answers, AnUnknownAnswerStopsTheBatchAndNamesIt) {
  handle_response("XY\r\n");
  EXPECT_EQ(store().error_seen, 1);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Unknown answer from the switcher: \"XY\""});

  send_command("ADT10\r\n");  // a new command, a new chance to tell
  sink.clear();
  handle_response("GO\n");  // LF without CR is not the switcher's success
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Unknown answer from the switcher: \"GO\\n\""});
}

TEST_F(Answers, JunkShowsOneBoxPerCommandNotOnePerLine) {
  for (int i = 0; i < 20; ++i) handle_response("??\r\n");
  EXPECT_EQ(sink.count(), 1u);
  EXPECT_EQ(store().error_seen, 1);
  send_command("ADT10\r\n");
  handle_response("??\r\n");
  handle_response("E3\r\n");  // known errors always show
  EXPECT_EQ(sink.count(), 3u);
}

class NoConnect : public LinkTest {};

TEST_F(NoConnect, TheSeventhTickWithoutAnAnswerReportsAndStopsTheBatch) {
  std::vector<std::string> written;
  set_direct_line([&](const std::string& bytes) { written.push_back(bytes); });
  send_command("ADT10\r\n");
  ticks(6);
  EXPECT_EQ(sink.count(), 0u);
  ticks(1);
  ASSERT_EQ(sink.texts(), std::vector<std::string>{"No Connect"});
  EXPECT_EQ(sink.boxes()[0].icon, BoxIcon::Error);
  EXPECT_EQ(store().error_seen, 1);
  EXPECT_EQ(store().response_pending, 0);
  EXPECT_EQ(store().no_connect_ticks, 0);
  ticks(20);
  EXPECT_EQ(sink.count(), 1u) << "reported once";
}

TEST_F(NoConnect, AnAnswerStartsTheCountAgainButANewCommandDoesNot) {
  set_direct_line([](const std::string&) {});
  send_command("ADT10\r\n");
  ticks(5);
  store().batch_step = 1;
  handle_response("GO\r\n");
  send_command("ADT11\r\n");
  ticks(6);
  EXPECT_EQ(sink.count(), 0u);
  send_command("ADT12\r\n");  // re-arms pending; the count runs on
  ticks(1);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"No Connect"});
}

TEST_F(NoConnect, NothingPendingNothingReported) {
  ticks(100);
  EXPECT_EQ(sink.count(), 0u);
}

TEST_F(NoConnect, WithoutAnOpenPortEveryCommandEndsInNoConnect) {
  ASSERT_FALSE(link_is_open());
  send_command("ADT10\r\n");
  ticks(7);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"No Connect"});
}

}  // namespace
}  // namespace klvc
