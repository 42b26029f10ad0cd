// The loop against a scripted backend: what a terminal would deliver.
#include <gtest/gtest.h>

#include <csignal>
#include <deque>

#include "ui/backend.h"
#include "ui/ui.h"

namespace klvc::ui {
namespace {

class ScriptedBackend : public Backend {
 public:
  struct Script {
    std::deque<std::vector<Event>> input;  // one batch per wait
    std::vector<int> waits;                // the timeouts asked for
    int frames = 0;
    bool close = false;
    int terminate = 0;
    TestClock clock;
  };
  explicit ScriptedBackend(Script* s) : s_(s) {}
  Clock& clock() override { return s_->clock; }
  bool real_time() const override { return true; }
  int width() const override { return 40; }
  int height() const override { return 10; }
  void wait(int timeout_ms, int, std::vector<Event>& events) override {
    s_->waits.push_back(timeout_ms);
    if (!s_->input.empty()) {
      events = s_->input.front();
      s_->input.pop_front();
    } else if (timeout_ms > 0) {
      s_->clock.advance(timeout_ms);  // nothing came: the time passed
    }
  }
  void present(const Canvas&) override { ++s_->frames; }
  bool take_close_request() override {
    bool r = s_->close;
    s_->close = false;
    return r;
  }
  int take_terminate_request() override {
    int r = s_->terminate;
    s_->terminate = 0;
    return r;
  }

 private:
  Script* s_;
};

TEST(Loop, SleepsUntilTheNextDeadlineAndDrawsEachPass) {
  ScriptedBackend::Script s;
  Ui ui(std::make_unique<ScriptedBackend>(&s));
  int ticks = 0;
  ui.set_timer(nullptr, 1, 500, [&] { ++ticks; });
  ui.set_timer(nullptr, 2, 1000, [&] {});
  ui.run_once(-1);
  ui.run_once(-1);
  EXPECT_EQ(s.waits, (std::vector<int>{500, 500}));
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(s.frames, 3);  // the first frame before the first wait, then one per pass
  ui.run_once(100);
  EXPECT_EQ(s.waits.back(), 100);
}

TEST(Loop, CloseRequestFromOutsideRunsTheCloseHandler) {
  ScriptedBackend::Script s;
  Ui ui(std::make_unique<ScriptedBackend>(&s));
  int asked = 0;
  ui.set_close_handler([&] {
    ++asked;
    ui.message_box({"終了しますか?", "KLVC", MessageIcon::Question, MessageButtons::YesNo, true}, [&](BoxResult r) {
      if (r == BoxResult::Yes) ui.quit();
    });
  });
  s.close = true;  // SIGINT
  ui.run_once(0);
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(ui.quitting());  // the operator still answers
  s.input.push_back({Event::typed("y")});
  ui.run_once(0);
  EXPECT_TRUE(ui.quitting());
}

TEST(Loop, TerminateAndHangUpEndTheLoopWithoutAsking) {
  for (int sig : {SIGTERM, SIGHUP}) {
    ScriptedBackend::Script s;
    Ui ui(std::make_unique<ScriptedBackend>(&s));
    int asked = 0;
    std::vector<int> told;
    ui.set_close_handler([&] { ++asked; });
    ui.set_terminate_handler([&](int n) { told.push_back(n); });
    ui.message_box({"保存しますか?", "KLVC", MessageIcon::Question, MessageButtons::YesNo});
    s.terminate = sig;
    ui.run();  // returns although the question is open: nobody is asked
    EXPECT_TRUE(ui.quitting());
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(told, (std::vector<int>{sig}));
  }
}

TEST(Loop, InputReachesTheScreenInOrder) {
  ScriptedBackend::Script s;
  Ui ui(std::make_unique<ScriptedBackend>(&s));
  std::vector<int> ran;
  ui.set_command_handler([&](int c) {
    ran.push_back(c);
    if (c == 2) ui.quit();
  });
  ui.set_toolbar({{1, "a"}, {2, "b"}});
  s.input.push_back({Event::of(Key::Tab), Event::of(Key::Enter)});
  s.input.push_back({Event::of(Key::Tab), Event::of(Key::Enter)});
  ui.run();
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace klvc::ui
