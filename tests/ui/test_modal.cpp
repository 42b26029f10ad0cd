// The modal stack, message boxes and timers, driven headless.
#include <gtest/gtest.h>

#include <thread>

#include "support/screen_cells.h"
#include "ui/ui.h"

namespace klvc::ui {
namespace {

class Probe : public Dialog {
 public:
  explicit Probe(std::vector<std::string>* log, bool* destroyed = nullptr)
      : Dialog("Probe", 40, 8), log_(log), destroyed_(destroyed) {
    add_combo(10, Rect{1, 1, 12, 1}, {"1", "2", "3"});
    add_edit(11, Rect{1, 2, 12, 1});
    add_button(20, Rect{1, 4, 10, 1}, "設定");
    add_button(kIdOk, Rect{14, 4, 8, 1}, "OK", true);
    add_button(kIdCancel, Rect{24, 4, 10, 1}, "Close");
  }
  ~Probe() override {
    if (destroyed_) *destroyed_ = true;
  }
  void on_init() override { log_->push_back("init"); }
  void on_command(int id, Notify n) override {
    log_->push_back("cmd " + std::to_string(id) + " " + std::to_string(static_cast<int>(n)));
    if (id == 20 && end_on_set) end_dialog(42);
  }
  void on_timer(int id) override { log_->push_back("timer " + std::to_string(id)); }
  void on_cancel() override {
    log_->push_back("cancel");
    if (!refuse_cancel) Dialog::on_cancel();
  }
  void on_end() override { log_->push_back("end " + std::to_string(result())); }
  bool refuse_cancel = false;
  bool end_on_set = false;

 private:
  std::vector<std::string>* log_;
  bool* destroyed_;
};

using Log = std::vector<std::string>;

TEST(Modal, OkEndsDialogRunsHandlersInOrderAndDestroysItLater) {
  auto ui = Ui::create_headless(80, 24);
  Log log;
  bool destroyed = false;
  int seen = 0;
  auto& d = ui->open_modal(std::make_unique<Probe>(&log, &destroyed), [&](Dialog& dlg, int r) {
    log.push_back("callback");
    seen = r;
    EXPECT_EQ(dlg.caption(), "Probe");
  });
  d.set_timer(5, 100);
  EXPECT_EQ(ui->top_dialog(), &d);
  EXPECT_EQ(ui->dialog_depth(), 1);
  d.focus(11);                      // an edit field does not use Enter:
  ui->feed(Event::of(Key::Enter));  // the default button takes it
  EXPECT_EQ(log, (Log{"init", "end 1", "callback"}));
  EXPECT_EQ(seen, kIdOk);
  EXPECT_EQ(ui->dialog_depth(), 0);
  EXPECT_FALSE(ui->timer_active(&d, 5));
  ui->advance(1000);  // the timer died with the dialog
  EXPECT_EQ(log.size(), 3u);
  EXPECT_TRUE(destroyed);
}

TEST(Modal, EndingFromInsideItsOwnHandlerIsSafe) {
  auto ui = Ui::create_headless(80, 24);
  Log log;
  bool destroyed = false;
  auto p = std::make_unique<Probe>(&log, &destroyed);
  p->end_on_set = true;
  auto& d = ui->open_modal(std::move(p));
  d.focus(20);
  ui->feed(Event::of(Key::Enter));
  EXPECT_EQ(ui->dialog_depth(), 0);
  EXPECT_EQ(log.back(), "end 42");
  EXPECT_FALSE(destroyed);  // kept until the next call into the Ui
  ui->screen_text();
  EXPECT_TRUE(destroyed);
}

TEST(Modal, CancelPathsAndRefusal) {
  auto ui = Ui::create_headless(80, 24);
  Log log;
  auto p = std::make_unique<Probe>(&log);
  p->refuse_cancel = true;
  auto& d = ui->open_modal(std::move(p));
  ui->feed(Event::of(Key::Escape));
  d.click(kIdCancel);
  EXPECT_EQ(ui->dialog_depth(), 1);
  EXPECT_EQ(log, (Log{"init", "cancel", "cancel"}));
  static_cast<Probe&>(d).refuse_cancel = false;
  // the close box in the frame's top right corner
  int x = d.origin_x() + d.width() - 2;
  int y = d.origin_y() - 1;
  ui->feed(Event::click(x, y));
  EXPECT_EQ(ui->dialog_depth(), 0);
  EXPECT_EQ(log.back(), "end 2");
}

TEST(Modal, NotificationsFromControls) {
  auto ui = Ui::create_headless(80, 24);
  Log log;
  auto& d = ui->open_modal(std::make_unique<Probe>(&log));
  EXPECT_EQ(d.focused()->id(), 10);  // first focusable control
  ui->feed(Event::of(Key::Down));    // closed list: selection moves at once
  EXPECT_EQ(d.combo(10).selection(), 0);
  ui->feed(Event::of(Key::Tab));
  ui->feed(Event::typed("ab"));
  d.edit(11).set_text("x");
  ui->feed(Event::of(Key::Tab));
  ui->feed(Event::typed(" "));  // space presses the focused button
  EXPECT_EQ(log, (Log{"init", "cmd 10 1", "cmd 11 2", "cmd 11 2", "cmd 20 0"}));
  log.clear();
  d.control(20).enable(false);
  d.click(20);
  d.edit(11).enable(false);
  d.edit(11).set_text("y");
  d.combo(10).enable(false);
  d.focus(10);
  ui->feed(Event::of(Key::Down));
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(d.combo(10).selection(), 0);
  EXPECT_THROW(d.combo(99), std::out_of_range);
  EXPECT_THROW(d.combo(11), std::out_of_range);
}

TEST(Modal, NestedDialogsTakeInputFromTheTop) {
  auto ui = Ui::create_headless(80, 24);
  Log outer_log, inner_log;
  auto& outer = ui->open_modal(std::make_unique<Probe>(&outer_log));
  ui->open_modal(std::make_unique<Probe>(&inner_log), [&](Dialog&, int) {
    // the outer dialog can react once the inner one is gone
    outer.set_caption("after");
  });
  ui->feed(Event::of(Key::Escape));
  EXPECT_EQ(ui->top_dialog(), &outer);
  EXPECT_EQ(outer.caption(), "after");
  EXPECT_EQ(outer_log, (Log{"init"}));
}

TEST(MessageBox, RaisedTogetherTheyComeOneAtATimeInOrder) {
  auto ui = Ui::create_headless(80, 24);
  std::vector<std::string> closed;
  auto note = [&](const std::string& what) {
    return [&closed, what](BoxResult r) { closed.push_back(what + (r == BoxResult::Ok ? " OK" : r == BoxResult::No ? " No" : " ?")); };
  };
  ui->message_box({"上書きしますか?", "KLVC", MessageIcon::Question, MessageButtons::YesNo, true}, note("question"));
  ui->message_box({"No Connect", "Error", MessageIcon::Error, MessageButtons::Ok, false}, note("first error"));
  ui->message_box({"Command Error", "Error", MessageIcon::Error, MessageButtons::Ok, true}, note("second error"));
  EXPECT_EQ(ui->bell_count(), 2);
  ASSERT_EQ(ui->shown_boxes().size(), 3u);
  // Only the first raised is on screen, and the keys go to it.
  std::string screen = ui->screen_text();
  EXPECT_NE(screen.find("上書きしますか?"), std::string::npos);
  EXPECT_EQ(screen.find("No Connect"), std::string::npos);
  EXPECT_NE(screen.find("（あと 2 件）"), std::string::npos);
  ui->feed(Event::typed("n"));
  EXPECT_NE(ui->screen_text().find("No Connect"), std::string::npos);
  ui->feed(Event::typed("y"));  // an OK box has no Yes: the key is ignored
  EXPECT_TRUE(ui->shown_boxes()[1].open);
  ui->feed(Event::of(Key::Enter));
  ui->answer_box(BoxResult::Ok);
  EXPECT_EQ(closed, (std::vector<std::string>{"question No", "first error OK", "second error OK"}));
  EXPECT_FALSE(ui->message_box_open());
  EXPECT_EQ(ui->shown_boxes()[1].result, BoxResult::Ok);
  ui->clear_shown_boxes();
  EXPECT_TRUE(ui->shown_boxes().empty());

  // A flapping link: one box, holding the latest state, behind the box on screen.
  ui->message_box({"No Connect", "Error", MessageIcon::Error, MessageButtons::Ok, false});
  for (const char* state : {"lost", "back", "lost", "back"}) {
    ui->message_box({std::string("link ") + state, "KLVC", MessageIcon::Error, MessageButtons::Ok, false, false, false, "link"});
  }
  ASSERT_EQ(ui->shown_boxes().size(), 2u);
  EXPECT_EQ(ui->shown_boxes()[1].form.text, "link back");
}

TEST(MessageBox, QuestionKeysAndEscNeitherYesNorNo) {
  struct Case {
    std::vector<Event> keys;
    BoxResult answer;
  };
  const Case cases[] = {
      {{Event::of(Key::Enter)}, BoxResult::Yes},  // Yes has the focus
      {{Event::typed("y")}, BoxResult::Yes},
      {{Event::typed("n")}, BoxResult::No},
      {{Event::of(Key::Right), Event::of(Key::Enter)}, BoxResult::No},
      {{Event::of(Key::Escape)}, BoxResult::Cancel},
  };
  for (const Case& c : cases) {
    auto ui = Ui::create_headless(80, 24);
    BoxResult answer = BoxResult::Ok;
    ui->message_box({"q", "KLVC", MessageIcon::Question, MessageButtons::YesNo, true},
                    [&](BoxResult r) { answer = r; });
    for (const Event& e : c.keys) ui->feed(e);
    EXPECT_EQ(answer, c.answer);
    EXPECT_FALSE(ui->message_box_open());
  }
}

TEST(MessageBox, KeysGoToTheBoxBeforeTheDialog) {
  auto ui = Ui::create_headless(80, 24);
  Log log;
  ui->open_modal(std::make_unique<Probe>(&log));
  ui->message_box({"Success", "設定完了", MessageIcon::Information, MessageButtons::Ok, true});
  ui->feed(Event::of(Key::Escape));
  EXPECT_FALSE(ui->message_box_open());
  EXPECT_EQ(ui->dialog_depth(), 1);
  EXPECT_EQ(log, (Log{"init"}));
}

TEST(MessageBox, ClickOnAButtonAnswers) {
  auto ui = Ui::create_headless(60, 20);
  BoxResult answer = BoxResult::Ok;
  ui->message_box({"上書きしますか?", "KLVC", MessageIcon::Question, MessageButtons::YesNo, true},
                  [&](BoxResult r) { answer = r; });
  const auto no = klvc::testing::find_on_screen(ui->render(), "いいえ(N)");
  ASSERT_TRUE(no);
  ui->feed(Event::click(no->first, no->second));
  EXPECT_EQ(answer, BoxResult::No);
}

TEST(Timers, DeadlinesDoNotDriftAndFireInOrder) {
  auto ui = Ui::create_headless();
  std::vector<std::pair<std::int64_t, int>> fired;
  auto& clock = ui->clock();
  int a = 0, b = 0;
  ui->set_timer(&a, 1, 80, [&] { fired.push_back({clock.now_ms(), 80}); });
  ui->set_timer(&b, 1, 200, [&] { fired.push_back({clock.now_ms(), 200}); });
  ui->advance(400);
  std::vector<std::pair<std::int64_t, int>> want = {{80, 80},  {160, 80}, {200, 200}, {240, 80},
                                                    {320, 80}, {400, 80}, {400, 200}};
  EXPECT_EQ(fired, want);
  EXPECT_EQ(clock.now_ms(), 400);
  fired.clear();
  ui->advance(79);
  EXPECT_TRUE(fired.empty());
  ui->advance(1);
  EXPECT_EQ(fired.size(), 1u);
}

TEST(Timers, ResettingRestartsAndCallbacksMayKillThemselves) {
  auto ui = Ui::create_headless();
  int owner = 0;
  int count = 0;
  ui->set_timer(&owner, 3, 100, [&] { ++count; });
  ui->advance(50);
  ui->set_timer(&owner, 3, 300, [&] { ++count; });  // new period counts from now
  ui->advance(299);
  EXPECT_EQ(count, 0);
  ui->advance(1);
  EXPECT_EQ(count, 1);
  ui->set_timer(&owner, 4, 10, [&] {
    ++count;
    ui->kill_timer(&owner, 4);
  });
  ui->advance(1000);
  EXPECT_EQ(count, 1 + 3 + 1);  // timer 3 fired at 650, 950, 1250; timer 4 once
  EXPECT_TRUE(ui->timer_active(&owner, 3));
  ui->kill_timers_of(&owner);
  EXPECT_FALSE(ui->timer_active(&owner, 3));
}

TEST(Timers, MessageBoxFromATimerDoesNotReenter) {
  auto ui = Ui::create_headless();
  int owner = 0;
  int ticks = 0;
  int depth = 0;
  int max_depth = 0;
  ui->set_timer(&owner, 1, 500, [&] {
    ++depth;
    max_depth = std::max(max_depth, depth);
    ++ticks;
    if (!ui->message_box_open()) ui->message_box({"No Connect", "Error", MessageIcon::Error, MessageButtons::Ok, true});
    --depth;
  });
  ui->advance(5000);
  EXPECT_EQ(ticks, 10);  // timers go on while the box is open
  EXPECT_EQ(max_depth, 1);
  EXPECT_EQ(ui->shown_boxes().size(), 1u);
}

TEST(Timers, DialogTimersReachOnTimer) {
  auto ui = Ui::create_headless();
  Log log;
  auto p = std::make_unique<Probe>(&log);
  p->set_timer(8, 100);  // before opening: starts when opened
  auto& d = ui->open_modal(std::move(p));
  EXPECT_TRUE(d.timer_active(8));
  ui->advance(250);
  d.kill_timer(8);
  ui->advance(250);
  EXPECT_EQ(log, (Log{"init", "timer 8", "timer 8"}));
}

TEST(Loop, PostFromAnotherThreadWakesRunOnce) {
  auto ui = Ui::create_headless();
  bool ran = false;
  std::thread t([&] { ui->post([&] { ran = true; }); });
  // Waits at most 10 s; the post ends the wait much sooner.
  for (int i = 0; i < 100 && !ran; ++i) ui->run_once(10000);
  t.join();
  EXPECT_TRUE(ran);
}

TEST(Loop, CloseRequestsGoToTheHandler) {
  auto ui = Ui::create_headless();
  int closes = 0;
  ui->feed(Event::ctrl('c'));
  EXPECT_TRUE(ui->quitting());  // no handler: quit at once
  ui->set_close_handler([&] { ++closes; });
  ui->feed(Event::typed("q"));
  ui->feed(Event::ctrl('c'));
  EXPECT_EQ(closes, 2);
}

}  // namespace
}  // namespace klvc::ui
