// `klvc --simulate`: the built-in simulated switcher follows the setup chosen
// in the dialogs, as a real unit does once set up on its own panel.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "screen/command_ids.h"
#include "app_fixture.h"
#include "dialogs/dialog_params.h"
#include "link/link.h"
#include "settings/store.h"
#include "sim/simulator.h"

namespace klvc {
namespace {

using testing::AppTest;

class SimulatedSetup : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    std::string error;
    ASSERT_TRUE(port.start(&error)) << error;
    simulator = &port;
  }
  void TearDown() override {
    if (app) link().set_answer_observer({});
    AppTest::TearDown();
    port.stop();
  }
  SimulatedPort port;
};

TEST_F(SimulatedSetup, KlvEOnRs485AnswersGoForAllSixteenOutputs) {
  start();  // the profile's KLV-A on RS-232C
  dismiss_boxes();
  ui->command(cmd::kModelSelect);
  pick(1007, 4);  // KLV-E
  ui->top_dialog()->click(ui::kIdOk);
  ui->command(cmd::kCommSettings);
  pick(1001, 1);  // RS-485
  ui->top_dialog()->click(ui::kIdOk);
  ui->run_posted();
  ASSERT_TRUE(link().is_open());

  std::mutex mutex;
  std::condition_variable answered;
  std::vector<AnswerEvent> answers;
  link().set_answer_observer([&](const AnswerEvent& e) {
    std::lock_guard<std::mutex> lock(mutex);
    answers.push_back(e);
    answered.notify_all();
  });
  ui->command(cmd::kOutputSwitch);
  ui->top_dialog()->click(kIdSet);
  for (int tick = 0; tick < 17; ++tick) {
    ui->advance(100);
    // As with the real timer, each answer is in before the next tick; else
    // answers lag behind the lines and the pairing is a guess.
    const std::size_t sent = std::min(tick + 1, 16);
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(answered.wait_for(lock, std::chrono::seconds(5), [&] { return answers.size() >= sent; }));
  }
  ASSERT_TRUE(port.wait_for_lines(16, 5000));
  std::vector<std::string> expected;
  for (int o = 1; o <= 16; ++o) {
    const std::string two = (o < 10 ? "0" : "") + std::to_string(o);
    expected.push_back("00O" + two + "I" + two);  // slave 0, each output on its own input
  }
  EXPECT_EQ(port.lines(), expected);
  std::unique_lock<std::mutex> lock(mutex);
  ASSERT_TRUE(answered.wait_for(lock, std::chrono::seconds(5), [&] { return answers.size() >= 16; }));
  for (const AnswerEvent& e : answers) {
    EXPECT_EQ(e.kind, AnswerEvent::Kind::Answer) << e.line;
    EXPECT_EQ(e.answer, "00GO\r\n") << e.line;
  }
  lock.unlock();
  ui->run_posted();
  for (const ui::ShownBox& b : boxes()) EXPECT_EQ(b.form.text, "Success");
}

}  // namespace
}  // namespace klvc
