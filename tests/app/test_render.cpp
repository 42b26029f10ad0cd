// The main window as drawn on a small virtual screen, cell by cell.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "app/command_ids.h"
#include "app_fixture.h"

namespace klvc {
namespace {

using testing::AppTest;

class MainWindowRender : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    const char* tz = std::getenv("TZ");
    had_tz_ = tz != nullptr;
    if (had_tz_) old_tz_ = tz;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
  }
  void TearDown() override {
    if (had_tz_) {
      ::setenv("TZ", old_tz_.c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
    AppTest::TearDown();
  }
  bool had_tz_ = false;
  std::string old_tz_;
};

TEST_F(MainWindowRender, MenuToolbarAndStatusBarWithJapaneseAtTwoColumns) {
  ui->resize(80, 6);
  start();
  dismiss_boxes();
  frame().set_time_source([] { return std::time_t{3600 * 9 + 60 * 41 + 7}; });
  frame().set_mode_note("simulated switcher");
  ui->advance(1000);
  // Status bar, 80 cells: a blank, "ﾚﾃﾞｨ" (4 half-width), blanks up to the
  // panes, then "│" + 8 cells of clock + "│" + the 18-cell note = 28 cells.
  const std::string status = " ﾚﾃﾞｨ" + std::string(80 - 1 - 4 - 28, ' ') + "│09:41:07│simulated switcher";
  const std::string expected =
      "  ファイル(F)  設定(S)  モデル(M)  通信(C)  ﾍﾙﾌﾟ(H)\n"
      " [ タイトル設定 ] [ 通信 ] [ モデル ] [ ﾊﾞｰｼﾞｮﾝ情報 ]\n"
      "\n"
      "\n"
      "\n" +
      status + "\n";
  EXPECT_EQ(ui->screen_text(), expected);

  // Full-width letters take two cells (the second empty), half-width katakana one.
  const ui::Canvas& c = ui->render();
  EXPECT_EQ(c.at(2, 0).text, "フ");
  EXPECT_EQ(c.at(3, 0).text, "");
  EXPECT_EQ(c.at(4, 0).text, "ァ");
  EXPECT_EQ(c.at(1, 5).text, "ﾚ");
  EXPECT_EQ(c.at(2, 5).text, "ﾃ");
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

}  // namespace
}  // namespace klvc
