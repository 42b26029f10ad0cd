// The menu and the toolbar as the operator uses them: each item is clicked
// where it is drawn, and what opens is what that item promises.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "settings/store.h"
#include "support/screen_cells.h"

namespace klvc {
namespace {

using testing::AppTest;

class MenuTest : public AppTest {
 protected:
  // Clicks where `label` is drawn after a blank, on rows `top` to `bottom`;
  // false when it is not on the screen there.
  bool click_label(const std::string& label, int top, int bottom) {
    const auto at = testing::find_on_screen(ui->render(), " " + label, top, bottom);
    if (at) ui->feed(ui::Event::click(at->first + 1, at->second));
    return at.has_value();
  }
  // The menu bar's entry, then the items of the boxes that open under it.
  void click_menu(const std::vector<std::string>& path) {
    ASSERT_TRUE(click_label(path[0], 0, 0)) << path[0];
    for (std::size_t i = 1; i < path.size(); ++i) {
      ASSERT_TRUE(click_label(path[i], 2, ui->height() - 2)) << path[i] << "\n" << ui->screen_text();
    }
  }
  // What the dialog on top shows, then closes it.
  std::string close_dialog() {
    while (ui->message_box_open()) ui->answer_box(BoxResult::Ok);
    if (!ui->top_dialog()) return "(no dialog)";
    const std::string seen = ui->top_dialog()->caption() + "\n" + ui->screen_text();
    ui->top_dialog()->on_cancel();
    ui->run_posted();
    while (ui->message_box_open()) ui->answer_box(BoxResult::Ok);
    EXPECT_EQ(ui->dialog_depth(), 0);
    return seen;
  }
};

// Each item's dialog by its caption; where two dialogs share a caption, by
// the first row of its table as well. Four items have a toolbar button too.
struct DialogItem {
  std::vector<std::string> path;
  std::string caption;
  std::string shows;
  std::string button;
};
const DialogItem kDialogItems[] = {
    {{"設定", "出力切換え"}, "出力切換え設定 File Name ", "out01 = 1 ch.", ""},
    {{"設定", "タイトル", "タイトル設定"}, "タイトル設定 File Name ", "ch01 =", "タイトル設定"},
    {{"設定", "タイトル", "入力タイトル表示"}, "入力タイトル表示設定 File Name ", "ch01 = ON", ""},
    {{"設定", "タイトル", "出力タイトル表示"}, "入力タイトル表示設定 File Name ", "out01 = ON", ""},
    {{"設定", "オートシーケンス", "スキップ/ライブ"}, "自動切換えSKIP設定 File Name ", "ch01 = LIVE", ""},
    {{"設定", "オートシーケンス", "間隔"}, "自動切換え時間設定 File Name ", "out01 = 4 秒", ""},
    {{"設定", "日付　時刻", "設定"}, "日付・時計設定", "", ""},
    {{"設定", "日付　時刻", "出力表示"}, "日付・時刻表示設定 File Name ", "out01 = ON", ""},
    {{"設定", "パスワード"}, "パスワードの設定", "", ""},
    {{"設定", "アラーム", "設定"}, "アラーム設定", "", ""},
    {{"設定", "アラーム", "アラーム入力端子"}, "入力アラーム設定 File Name ", "In01 = 1", ""},
    {{"設定", "アラーム", "アラーム出力端子"}, "入力アラーム設定 File Name ", "ch01 = Of", ""},
    {{"設定", "全項目設定"}, "全項目の設定", "", ""},
    {{"モデル", "モデルの設定"}, "モデルの選択", "", "モデル"},
    {{"通信", "通信の設定"}, "通信設定", "", "通信"},
    {{"ﾍﾙﾌﾟ", "KLVC のﾊﾞｰｼﾞｮﾝ情報."}, "KLVCのﾊﾞｰｼﾞｮﾝ情報", "KLVC Version 2.10", "ﾊﾞｰｼﾞｮﾝ情報"},
};

TEST_F(MenuTest, EveryItemAndButtonOpensItsDialog) {
  start();
  dismiss_boxes();
  for (const DialogItem& item : kDialogItems) {
    SCOPED_TRACE(item.path.back());
    click_menu(item.path);
    std::string seen = close_dialog();
    EXPECT_EQ(seen.substr(0, seen.find('\n')), item.caption);
    EXPECT_NE(seen.find(item.shows), std::string::npos) << seen;
    if (item.button.empty()) continue;
    ASSERT_TRUE(click_label(item.button, 1, 1)) << item.button;  // the toolbar line
    seen = close_dialog();
    EXPECT_EQ(seen.substr(0, seen.find('\n')), item.caption);
  }
  EXPECT_FALSE(frame().command_enabled(12345));  // a command no item carries is greyed
}

TEST_F(MenuTest, FileItemsRunTheDocumentCommands) {
  start();
  dismiss_boxes();
  doc().output_routes[0] = 5;
  click_menu({"ファイル", "新規作成"});
  EXPECT_EQ(doc().output_routes[0], 0);  // nothing edited: reset without a question
  click_menu({"ファイル", "開く"});
  EXPECT_EQ(open_starts.size(), 1u);
  click_menu({"ファイル", "上書き保存"});  // no file yet
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].form.text.rfind("Can't file open", 0), 0u) << boxes()[0].form.text;
  dismiss_boxes();
  click_menu({"ファイル", "名前を付けて保存"});
  EXPECT_EQ(save_starts.size(), 1u);
  EXPECT_FALSE(ui->quitting());
  click_menu({"ファイル", "ｱﾌﾟﾘｹｰｼｮﾝの終了"});
  EXPECT_TRUE(ui->quitting());
}

}  // namespace
}  // namespace klvc
