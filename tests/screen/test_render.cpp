// The main window as drawn on a virtual screen, cell by cell: menu, toolbar,
// the view of the link, the status bar and the key line.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "screen/command_ids.h"
#include "screen/main_view.h"
#include "app_fixture.h"
#include "link/link.h"
#include "link/link_log.h"
#include "settings/store.h"
#include "sim/simulator.h"
#include "support/scoped_env.h"
#include "support/text.h"

namespace klvc {
namespace {

using testing::AppTest;
using testing::repeat;
using testing::spaces;

class MainWindowRender : public AppTest {
 protected:
  void TearDown() override {
    if (listener_) remove_link_listener(listener_);
    listener_ = 0;
    AppTest::TearDown();
  }

  // The started window with the clock at 09:41:07, and a view of our own whose
  // link status the test sets, listing what passes the link from now on
  // (each line 80 ms after the one before, from 09:41:07.000).
  void start_with_view(int width, int height) {
    ui->resize(width, height);
    start();
    dismiss_boxes();
    frame().set_time_source([] { return std::time_t{3600 * 9 + 60 * 41 + 7}; });
    ui->advance(1000);
    traffic.set_time_source([this] {
      char buf[32];
      std::snprintf(buf, sizeof buf, "09:41:%02d.%03d", 7 + ticks * 80 / 1000, ticks * 80 % 1000);
      ++ticks;
      return std::string(buf);
    });
    listener_ = add_link_listener([this](LogDirection d, std::string_view bytes) { traffic.add(d, bytes); });
    view = std::make_unique<CKLVCView>(traffic, [this] { return status; });
    ui->set_view_painter([this](ui::Canvas& c, const ui::Rect& r) { view->on_draw(c, r); });
  }

  // Sends route lines to a simulated switcher behind the link; each is answered "GO".
  void send_routes(int count) {
    attach(sim);
    for (int o = 1; o <= count; ++o) {
      char line[32];  // room for any int, as the compiler checks
      std::snprintf(line, sizeof line, "O%02dI%02d\r\n", o, o + 2);
      link().send_command(line);
    }
    dismiss_boxes();  // each "GO" outside a batch is a "Success" box
  }

  std::string route_lines(int first, int last) {
    std::string out;
    for (int o = first; o <= last; ++o) {
      const int sent = 2 * (o - 1);
      char buf[96];
      std::snprintf(buf, sizeof buf, " 09:41:%02d.%03d -> O%02dI%02d\n 09:41:%02d.%03d <- GO\n", 7 + sent * 80 / 1000,
                    sent * 80 % 1000, o, o + 2, 7 + (sent + 1) * 80 / 1000, (sent + 1) * 80 % 1000);
      out += buf;
    }
    return out;
  }

  testing::ScopedEnv tz{"TZ", "UTC"};
  int listener_ = 0;
  TrafficLog traffic;
  int ticks = 0;
  ViewStatus status;
  std::unique_ptr<CKLVCView> view;
  Simulator sim{4};
};

// The menu bar is 51 cells; the window title stands at its right where it fits.
const std::string kMenuBar = "  ファイル(F)  設定(S)  モデル(M)  通信(C)  ﾍﾙﾌﾟ(H)\n";
const std::string kWideMenuBar = "  ファイル(F)  設定(S)  モデル(M)  通信(C)  ﾍﾙﾌﾟ(H)" + spaces(120 - 1 - 37 - 51) +
                                 "Title Set Program for Matrix Switcher\n";
const std::string kToolbar = " [ タイトル設定 ] [ 通信 ] [ モデル ] [ ﾊﾞｰｼﾞｮﾝ情報 ]\n";
const std::string kKeys = " F10 メニュー  Alt+F/S/M/C/H 各メニュー  Tab ツールバー  Ctrl+C 終了\n";
// "── 送受信（新しい行が下） " is 26 cells; the rule fills the view's width less a cell each side.
std::string traffic_rule(int width) { return " ── 送受信（新しい行が下） " + repeat("─", width - 2 - 26) + "\n"; }
// The status bar: "ﾚﾃﾞｨ", then "│" and the clock's 8 cells at the right.
std::string status_bar(int width) { return " ﾚﾃﾞｨ" + spaces(width - 1 - 4 - 9) + "│09:41:07\n"; }

TEST_F(MainWindowRender, At80x24WithALiveLinkTheNewestLinesFillTheView) {
  start_with_view(80, 24);
  status = ViewStatus{"/dev/ttyUSB0", false, 0, LinkState::Open, 1, 5, 0, "/home/op/walk.dat", true};
  doc().interface_mode = 0;  // what the view is told is what it shows; the lines here go out unprefixed
  send_routes(10);
  // 20 lines, 16 rows: the oldest four do not fit.
  const std::string expected = kMenuBar + kToolbar +
                               " 機器: /dev/ttyUSB0 (COM1)   RS-485 スレーブ 05   KLV-A\n"
                               " 回線: 接続中\n"
                               " ファイル: /home/op/walk.dat   タイトル編集あり（未保存）\n" +
                               traffic_rule(80) + route_lines(3, 10) + status_bar(80) + kKeys;
  EXPECT_EQ(ui->screen_text(), expected);

  // Full-width letters take two cells (the second empty), half-width katakana one.
  const ui::Canvas& c = ui->render();
  EXPECT_EQ(c.at(2, 0).text, "フ");
  EXPECT_EQ(c.at(3, 0).text, "");
  EXPECT_EQ(c.at(4, 0).text, "ァ");
  EXPECT_EQ(c.at(1, 22).text, "ﾚ");
  EXPECT_EQ(c.at(2, 22).text, "ﾃ");
  EXPECT_FALSE(c.cursor().visible);  // nothing to type into
}

TEST_F(MainWindowRender, At120x40WithALostLinkTheEventShowsBelowTheLastAnswers) {
  start_with_view(120, 40);
  status = ViewStatus{"/dev/ttyUSB0", false, 0, LinkState::WaitingForDevice, 0, 0, 4, "", false};
  send_routes(3);
  log_link(LogDirection::Event,
           "The link to the switcher was lost: /dev/ttyUSB0 (hung up).\nWaiting for the device to come back.");
  const std::string expected =
      kWideMenuBar + kToolbar +
      " 機器: /dev/ttyUSB0 (COM1)   RS-232C   KLV-E\n"
      " 回線: 切断 — 機器が戻るのを待っています（戻れば自動で再接続）\n"
      " ファイル: （なし）\n" +
      traffic_rule(120) + route_lines(1, 3) +
      " 09:41:07.480 -- The link to the switcher was lost: /dev/ttyUSB0 (hung up). — Waiting for the device to come "
      "back.\n" +
      repeat("\n", 40 - 6 - 7 - 2) + status_bar(120) + kKeys;
  EXPECT_EQ(ui->screen_text(), expected);
}

TEST_F(MainWindowRender, HighlightedMenuItemShowsItsPromptInTheStatusBar) {
  ui->resize(80, 12);
  start();
  dismiss_boxes();
  ui->feed(ui::Event::alt('f'));
  ui->feed(ui::Event::of(ui::Key::Down));  // 開く
  EXPECT_EQ(ui->highlighted_command(), cmd::kFileOpen);
  EXPECT_EQ(ui->status_text(0), "開く");
  ui->feed(ui::Event::of(ui::Key::Escape));
  EXPECT_EQ(ui->status_text(0), "ﾚﾃﾞｨ");
}

// The program's own view, on the real link: what it sends and hears, and the
// link's state as the reader finds it.
TEST_F(AppTest, TheViewFollowsTheRealLink) {
  SimulatedPort switcher(0);
  std::string error;
  ASSERT_TRUE(switcher.start(&error)) << error;
  simulator = &switcher;  // the link opens its device
  start();
  link().set_reconnect_interval_ms(20);
  dismiss_boxes();
  EXPECT_NE(ui->screen_text().find("回線: 接続中"), std::string::npos) << ui->screen_text();
  link().send_command("O01I03\r\n");
  // The reader's lines wake the loop (each is posted): wait for them, with a deadline.
  auto wait_until = [&](const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) ui->run_once(50);
    return done();
  };
  EXPECT_TRUE(wait_until([&] { return ui->screen_text().find("<- GO") != std::string::npos; })) << ui->screen_text();
  EXPECT_NE(ui->screen_text().find("-> O01I03"), std::string::npos);
  switcher.stop();  // the device goes away
  EXPECT_TRUE(wait_until([&] { return link().state() == LinkState::WaitingForDevice; }));
  ui->run_posted();
  EXPECT_NE(ui->screen_text().find("回線: 切断"), std::string::npos) << ui->screen_text();
  EXPECT_NE(ui->screen_text().find("-- The link to the switcher was lost"), std::string::npos);
  link().set_reconnect_interval_ms(1000);
  app.reset();
}

}  // namespace
}  // namespace klvc
