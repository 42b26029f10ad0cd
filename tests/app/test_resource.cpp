// The menu, toolbar and string table as the operator sees them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/resource.h"

namespace klvc {
namespace {

// One line per entry: indentation by depth, label, command id; "--" for a rule.
void flatten(const std::vector<ui::MenuItem>& items, int depth, std::vector<std::string>* out) {
  for (const auto& m : items) {
    std::string pad(static_cast<std::size_t>(depth) * 2, ' ');
    if (m.separator) {
      out->push_back(pad + "--");
    } else if (!m.items.empty()) {
      out->push_back(pad + m.label + " >");
      flatten(m.items, depth + 1, out);
    } else {
      out->push_back(pad + m.label + " " + std::to_string(m.command));
    }
  }
}

TEST(MainMenu, HasEveryLabelAndCommandIdInOrder) {
  const std::vector<std::string> expected = {
      "ファイル >",
      "  新規作成 32791",
      "  開く 32792",
      "  上書き保存 32793",
      "  名前を付けて保存 32794",
      "  --",
      "  インポート 32795",
      "  エクスポート >",
      "    テキスト 32796",
      "    タイトルCSV 32797",
      "  --",
      "  ｱﾌﾟﾘｹｰｼｮﾝの終了 57665",
      "設定 >",
      "  出力切換え 32775",
      "  タイトル >",
      "    タイトル設定 32771",
      "    入力タイトル表示 32778",
      "    出力タイトル表示 32779",
      "  オートシーケンス >",
      "    スキップ/ライブ 32780",
      "    間隔 32781",
      "  日付　時刻 >",
      "    設定 32785",
      "    出力表示 32786",
      "  パスワード 32783",
      "  アラーム >",
      "    設定 32787",
      "    アラーム入力端子 32788",
      "    アラーム出力端子 32789",
      "  --",
      "  全項目設定 32784",
      "モデル >",
      "  モデルの設定 32774",
      "通信 >",
      "  通信の設定 32772",
      "ﾍﾙﾌﾟ >",
      "  KLVC のﾊﾞｰｼﾞｮﾝ情報. 57664",
  };
  std::vector<std::string> got;
  flatten(main_menu().top, 0, &got);
  EXPECT_EQ(got, expected);
}

TEST(Toolbar, HasTheFourButtonsWithTheirTooltips) {
  auto buttons = toolbar_buttons();
  ASSERT_EQ(buttons.size(), 4u);
  EXPECT_EQ(buttons[0].command, 32771);
  EXPECT_EQ(buttons[0].label, "タイトル設定");
  EXPECT_EQ(buttons[1].command, 32772);
  EXPECT_EQ(buttons[1].label, "通信");
  EXPECT_EQ(buttons[2].command, 32774);
  EXPECT_EQ(buttons[2].label, "モデル");
  EXPECT_EQ(buttons[3].command, 57664);
  EXPECT_EQ(buttons[3].label, "ﾊﾞｰｼﾞｮﾝ情報");
}

}  // namespace
}  // namespace klvc
