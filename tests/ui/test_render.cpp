// The screen drawn into text at a fixed size and compared cell by cell.
#include <gtest/gtest.h>

#include <sstream>

#include "support/text.h"
#include "ui/ui.h"

namespace klvc::ui {
namespace {

std::vector<std::string> rows_of(const std::string& screen) {
  std::vector<std::string> rows;
  std::istringstream in(screen);
  for (std::string line; std::getline(in, line);) rows.push_back(line);
  return rows;
}

// The text of n cells from (x, y).
std::string cells(const Canvas& c, int x, int y, int n) {
  std::string s;
  for (int i = x; i < x + n && i < c.width(); ++i) s += c.at(i, y).text;
  return s;
}

using klvc::testing::repeat;
using klvc::testing::spaces;

Menu sample_menu() {
  MenuItem file{"ファイル", 0, {{"新規作成", 10}, {"開く", 11}, MenuItem::rule(), {"終了", 12}}};
  file.mnemonic = 'f';
  MenuItem help{"ﾍﾙﾌﾟ", 0, {{"情報", 20}, {"表示", 0, {{"入力", 21}, {"出力", 22}}}}};
  Menu m;
  m.top = {file, help};
  return m;
}

TEST(RenderMainWindow, BarsAtTheirPlacesWithJapaneseWidths) {
  auto ui = Ui::create_headless(40, 5);
  ui->set_menu(sample_menu());
  ui->set_title("KLVC");
  ui->set_toolbar({{1, "通信"}});
  ui->set_status_panes({{"ﾚﾃﾞｨ", 0}, {"CAP", 3}});
  auto rows = rows_of(ui->screen_text());
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "  ファイル(F)  ﾍﾙﾌﾟ" + spaces(16) + "KLVC");
  EXPECT_EQ(rows[1], " [ 通信 ]");
  EXPECT_EQ(rows[2], "");
  EXPECT_EQ(rows[3], " ﾚﾃﾞｨ" + spaces(31) + "│CAP");
  EXPECT_TRUE(ui->render().at(0, 3).style.reverse);
  // The last row: the keys that work here; the way out stays when they are cut.
  EXPECT_EQ(rows[4], " F10 メニュー  Ctrl+C 終了");
  EXPECT_FALSE(ui->render().cursor().visible);
}

TEST(RenderMainWindow, PulledDownMenuWithGreyedItemAndPrompt) {
  auto ui = Ui::create_headless(40, 10);
  ui->set_menu(sample_menu());
  ui->set_status_panes({{"ﾚﾃﾞｨ", 0}, {"CAP", 3}});
  ui->set_command_enabled_query([](int c) { return c != 11; });
  ui->set_command_prompt_query([](int c) { return c == 10 ? std::string("新規に作成\n新規") : std::string(); });
  std::vector<int> ran;
  ui->set_command_handler([&](int c) { ran.push_back(c); });
  ui->feed(Event::of(Key::F10));
  auto rows = rows_of(ui->screen_text());
  EXPECT_EQ(rows[1], " ┌──────────┐");
  EXPECT_EQ(rows[2], " │ 新規作成 │");
  EXPECT_EQ(rows[3], " │ 開く     │");
  EXPECT_EQ(rows[4], " ├──────────┤");
  EXPECT_EQ(rows[5], " │ 終了     │");
  EXPECT_EQ(rows[6], " └──────────┘");
  EXPECT_EQ(rows[8], " 新規に作成" + spaces(25) + "│CAP");
  EXPECT_EQ(rows[9], " ↑↓ 選ぶ  ←→ 隣のメニュー  Esc 戻る");
  EXPECT_EQ(ui->status_text(0), "新規に作成");
  EXPECT_TRUE(ui->render().at(3, 2).style.reverse);  // highlighted
  EXPECT_TRUE(ui->render().at(3, 3).style.dim);      // greyed
  ui->feed(Event::of(Key::Down));
  EXPECT_EQ(ui->highlighted_command(), 11);
  EXPECT_EQ(ui->status_text(0), "");  // no prompt for this one
  ui->feed(Event::of(Key::Enter));    // greyed: nothing happens
  EXPECT_TRUE(ui->menu_open());
  ui->feed(Event::of(Key::Down));  // over the rule
  EXPECT_EQ(ui->highlighted_command(), 12);
  ui->feed(Event::of(Key::Enter));
  EXPECT_FALSE(ui->menu_open());
  EXPECT_EQ(ran, (std::vector<int>{12}));
  EXPECT_EQ(ui->status_text(0), "ﾚﾃﾞｨ");
}

TEST(RenderMainWindow, SubmenusAndMovingAcrossTheBar) {
  auto ui = Ui::create_headless(60, 12);
  ui->set_menu(sample_menu());
  std::vector<int> ran;
  ui->set_command_handler([&](int c) { ran.push_back(c); });
  ui->feed(Event::alt('2'));  // Alt+digit opens by position
  EXPECT_EQ(ui->highlighted_command(), 20);
  ui->feed(Event::of(Key::Down));
  EXPECT_EQ(ui->highlighted_command(), 0);  // a submenu
  ui->feed(Event::of(Key::Right));
  EXPECT_EQ(ui->highlighted_command(), 21);
  auto rows = rows_of(ui->screen_text());
  // the help menu starts at column 14; its box is 10 wide, the submenu follows it
  // the submenu's first item stands beside its parent item
  EXPECT_EQ(rows[2], spaces(14) + "│ 情報   │┌──────┐");
  EXPECT_EQ(rows[3], spaces(14) + "│ 表示  >││ 入力 │");
  EXPECT_EQ(rows[4], spaces(14) + "└────────┘│ 出力 │");
  ui->feed(Event::of(Key::Escape));  // back out of the submenu only
  EXPECT_EQ(ui->highlighted_command(), 0);
  EXPECT_TRUE(ui->menu_open());
  ui->feed(Event::of(Key::Right));  // into the submenu again
  ui->feed(Event::of(Key::Down));
  ui->feed(Event::of(Key::Enter));
  EXPECT_EQ(ran, (std::vector<int>{22}));
  ui->feed(Event::alt('f'));
  EXPECT_EQ(ui->highlighted_command(), 10);
  ui->feed(Event::of(Key::Left));  // wraps to the last top menu
  EXPECT_EQ(ui->highlighted_command(), 20);
  ui->feed(Event::of(Key::Escape));
  EXPECT_FALSE(ui->menu_open());
}

TEST(RenderMainWindow, MouseOnMenuAndToolbar) {
  auto ui = Ui::create_headless(60, 12);
  ui->set_menu(sample_menu());
  ui->set_toolbar({{1, "通信"}, {2, "モデル"}});
  ui->set_command_enabled_query([](int c) { return c != 2; });
  std::vector<int> ran;
  ui->set_command_handler([&](int c) { ran.push_back(c); });
  ui->feed(Event::click(3, 0));  // on "ファイル(F)"
  EXPECT_TRUE(ui->menu_open());
  ui->feed(Event::click(4, 5));  // "終了" in the box
  EXPECT_FALSE(ui->menu_open());
  ui->feed(Event::click(2, 1));   // "[ 通信 ]" spans columns 1..8
  ui->feed(Event::click(12, 1));  // "[ モデル ]" is greyed
  EXPECT_EQ(ran, (std::vector<int>{12, 1}));
  ui->feed(Event::click(3, 0));
  ui->feed(Event::click(50, 8));  // outside: closes
  EXPECT_FALSE(ui->menu_open());
}

TEST(RenderMainWindow, AcceleratorsOnlyWithoutADialog) {
  auto ui = Ui::create_headless(60, 12);
  ui->set_accelerators({{Key::Ctrl, 'n', 57600}, {Key::F5, 0, 7}});
  std::vector<int> ran;
  ui->set_command_handler([&](int c) { ran.push_back(c); });
  ui->feed(Event::ctrl('n'));
  ui->feed(Event::of(Key::F5));
  ui->open_modal(std::make_unique<Dialog>("d", 10, 2));
  ui->feed(Event::ctrl('n'));
  EXPECT_EQ(ran, (std::vector<int>{57600, 7}));
}

class Small : public Dialog {
 public:
  Small() : Dialog("設定", 30, 5) {
    add_label(Rect{0, 0, 30, 1}, "ch01 = ﾃｽﾄ");
    add_combo(10, Rect{0, 2, 10, 1}, {"1", "2"}).select(1);
    add_edit(11, Rect{11, 2, 8, 1}).set_text("あい");
    add_button(kIdOk, Rect{20, 2, 8, 1}, "OK", true);
    auto& bar = add_progress(12, Rect{0, 4, 12, 1});
    bar.set_range(0, 10);
    bar.set_pos(5);
  }
};

TEST(RenderDialog, CentredFrameWithControls) {
  auto ui = Ui::create_headless(40, 10);
  auto& d = ui->open_modal(std::make_unique<Small>());
  EXPECT_EQ(d.origin_x(), 5);
  EXPECT_EQ(d.origin_y(), 2);
  auto rows = rows_of(ui->screen_text());
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[1], spaces(4) + "┌─ 設定 " + repeat("─", 20) + "[x]┐");
  EXPECT_EQ(rows[2], spaces(4) + "│ch01 = ﾃｽﾄ" + spaces(20) + "│");
  EXPECT_EQ(rows[3], spaces(4) + "│" + spaces(30) + "│");
  EXPECT_EQ(rows[4], spaces(4) + "│[2      v] [あい  ]  [ OK ]   │");
  EXPECT_EQ(rows[6], spaces(4) + "│[" + repeat("█", 5) + repeat("░", 5) + "]" + spaces(18) + "│");
  EXPECT_EQ(rows[7], spaces(4) + "└" + repeat("─", 30) + "┘");
  const Canvas& c = ui->render();
  EXPECT_TRUE(c.at(6, 4).style.reverse);   // the focused list
  EXPECT_TRUE(c.at(26, 4).style.bold);     // the default button
  EXPECT_FALSE(c.cursor().visible);        // a list has no caret
  // focus moves with Tab; the terminal's cursor then stands after the field's text
  ui->feed(Event::of(Key::Tab));
  EXPECT_EQ(ui->render().cursor(), (CursorPos{true, 21, 4}));
  EXPECT_EQ(rows_of(ui->screen_text())[9].rfind(" ←→ Home/End", 0), 0u);  // the field's keys
  d.control(kIdOk).enable(false);
  EXPECT_TRUE(ui->render().at(26, 4).style.dim);
}

TEST(RenderDialog, TooSmallScreenShowsAMessageAndTakesOnlyEsc) {
  auto ui = Ui::create_headless(30, 8);
  auto& d = ui->open_modal(std::make_unique<Small>());
  d.focus(11);
  std::string screen = ui->screen_text();
  EXPECT_NE(screen.find("端末が小さすぎます"), std::string::npos) << screen;
  EXPECT_NE(screen.find("32x8"), std::string::npos) << screen;  // frame and the key line included
  ui->feed(Event::typed("zz"));  // nothing reaches the dialog unseen
  ui->feed(Event::of(Key::Enter));
  EXPECT_EQ(d.edit(11).text(), "あい");
  EXPECT_EQ(ui->dialog_depth(), 1);
  ui->feed(Event::of(Key::Escape));
  EXPECT_EQ(ui->dialog_depth(), 0);
  ui->resize(12, 3);  // even the main window does not fit
  EXPECT_NE(ui->screen_text().find("端末"), std::string::npos);
}

TEST(RenderDialog, TablePaintsTextsCellByCellAndAlignsJapanese) {
  auto ui = Ui::create_headless(40, 10);
  auto d = std::make_unique<Dialog>("t", 20, 4);
  auto& t = d->add_table(5, Rect{0, 0, 20, 4});
  t.text_out(0, 0, "ch01 = ﾃｽﾄ");
  t.text_out(16, 0, "|");
  t.text_out(0, 1, "ch02 = テスト");
  t.text_out(16, 1, "|");
  t.text_out(0, 2, "ch03 = ﾊﾞｲﾄ");
  t.text_out(16, 2, "|");
  t.text_out(0, 3, "ch04 = 12 ch.");
  t.text_out(0, 3, "ch04 = 3 ch.");  // paints over, leaving the last '.'
  t.text_out(18, 3, "長い");         // clipped at the area's edge
  EXPECT_EQ(t.painted_text(),
            "ch01 = ﾃｽﾄ      |\n"
            "ch02 = テスト   |\n"
            "ch03 = ﾊﾞｲﾄ     |\n"
            "ch04 = 3 ch..     長\n");
  ui->open_modal(std::move(d));
  auto rows = rows_of(ui->screen_text());
  EXPECT_EQ(rows[3], spaces(9) + "│ch02 = テスト   |   │");
}

TEST(RenderMessageBox, CaptionMarkTextAndButton) {
  auto ui = Ui::create_headless(40, 10);
  ui->message_box({"Success", "設定完了", MessageIcon::Information, MessageButtons::Ok, true});
  auto rows = rows_of(ui->screen_text());
  // Centred in the nine rows above the key line.
  EXPECT_EQ(rows[1], spaces(10) + "┌─ 設定完了 " + repeat("─", 7) + "┐");
  EXPECT_EQ(rows[2], spaces(10) + "│" + spaces(18) + "│");
  EXPECT_EQ(rows[3], spaces(10) + "│ (i) Success      │");
  EXPECT_EQ(rows[5], spaces(10) + "│      [ OK ]      │");
  EXPECT_EQ(rows[6], spaces(10) + "└" + repeat("─", 18) + "┘");
  EXPECT_TRUE(ui->render().at(17, 5).style.reverse);
  // A second box waits behind the first.
  ui->message_box({"上書きしますか?", "KLVC", MessageIcon::Question, MessageButtons::YesNo, true});
  EXPECT_EQ(rows_of(ui->screen_text())[3], spaces(10) + "│ (i) Success      │");
  ui->feed(Event::of(Key::Enter));
  std::string screen = ui->screen_text();
  EXPECT_NE(screen.find("(?) 上書きしますか?"), std::string::npos);
  EXPECT_NE(screen.find("[ はい(Y) ]  [ いいえ(N) ]"), std::string::npos);
}

class Lists : public Dialog {
 public:
  Lists() : Dialog("lists", 20, 3) {
    std::vector<std::string> inputs;
    for (int i = 1; i <= 64; ++i) inputs.push_back(std::to_string(i));
    inputs.push_back("Auto");
    add_combo(10, Rect{0, 0, 10, 1}, inputs).select(0);
    add_edit(11, Rect{0, 2, 8, 1});
  }
  void on_command(int id, Notify n) override { log.emplace_back(id, n); }
  std::vector<std::pair<int, Notify>> log;
};

TEST(ComboPopup, LongListScrollsAndEveryEntryCanBePicked) {
  auto ui = Ui::create_headless(40, 20);
  auto& d = static_cast<Lists&>(ui->open_modal(std::make_unique<Lists>()));
  auto& combo = d.combo(10);
  ui->feed(Event::of(Key::Enter));
  ASSERT_TRUE(combo.is_open());
  Rect r = combo.popup_rect(d.origin_x(), d.origin_y(), d.screen_height());
  EXPECT_LE(r.y + r.h, ui->height() - 1);  // above the key line
  EXPECT_EQ(cells(ui->render(), r.x, r.y + 1, r.w), "│1       │");
  ui->feed(Event::of(Key::End));
  std::string last_row = ui->render().row_text(r.y + r.h - 2);
  EXPECT_NE(last_row.find("Auto"), std::string::npos);
  EXPECT_NE(ui->render().row_text(r.y).find("^"), std::string::npos);  // more above
  EXPECT_TRUE(d.log.empty());  // moving in the open list changes nothing yet
  ui->feed(Event::of(Key::Enter));
  EXPECT_FALSE(combo.is_open());
  EXPECT_EQ(combo.selection(), 64);
  EXPECT_EQ(combo.selected_text(), "Auto");
  ASSERT_EQ(d.log.size(), 1u);
  EXPECT_EQ(d.log[0], std::make_pair(10, Notify::SelChange));
  // Esc closes the open list without picking, and leaves the dialog open
  ui->feed(Event::of(Key::Enter));
  ui->feed(Event::of(Key::Home));
  ui->feed(Event::of(Key::Escape));
  EXPECT_FALSE(combo.is_open());
  EXPECT_EQ(combo.selection(), 64);
  EXPECT_EQ(ui->dialog_depth(), 1);
}

TEST(ComboPopup, MouseOpensAndPicks) {
  auto ui = Ui::create_headless(40, 20);
  auto& d = static_cast<Lists&>(ui->open_modal(std::make_unique<Lists>()));
  auto& combo = d.combo(10);
  d.focus(11);
  ui->feed(Event::click(d.origin_x() + 3, d.origin_y()));
  ASSERT_TRUE(combo.is_open());
  EXPECT_EQ(d.focused(), &combo);
  Rect r = combo.popup_rect(d.origin_x(), d.origin_y(), d.screen_height());
  ui->feed(Event::click(r.x + 2, r.y + 3));  // third entry shown
  EXPECT_EQ(combo.selection(), 2);
  ui->feed(Event::click(d.origin_x() + 3, d.origin_y()));
  ui->feed(Event::click(0, 0));  // elsewhere: closes without picking
  EXPECT_FALSE(combo.is_open());
  EXPECT_EQ(combo.selection(), 2);
  // a keyboard change of a closed list notifies at once
  d.log.clear();
  ui->feed(Event::of(Key::Down));
  EXPECT_EQ(combo.selection(), 3);
  EXPECT_EQ(d.log.size(), 1u);
}

TEST(ComboBox, DeletingEntriesKeepsTheSelectionOnItsEntry) {
  Dialog d("x", 10, 2);
  std::vector<std::string> e;
  for (int i = 1; i <= 64; ++i) e.push_back(std::to_string(i));
  e.push_back("Auto");
  auto& c = d.add_combo(1, Rect{0, 0, 8, 1}, e);
  c.select(64);
  for (int i = 63; i >= 28; --i) c.delete_entry(i);  // cut to 28 channels
  EXPECT_EQ(c.count(), 29);
  EXPECT_EQ(c.selected_text(), "Auto");
  c.select(40);
  EXPECT_EQ(c.selection(), -1);
  c.select(27);
  c.delete_entry(27);
  EXPECT_EQ(c.selection(), -1);
  EXPECT_EQ(c.selected_text(), "");
}

TEST(EditField, LimitsFilterAndInputMethodBursts) {
  auto ui = Ui::create_headless(40, 12);
  auto& d = static_cast<Lists&>(ui->open_modal(std::make_unique<Lists>()));
  auto& edit = d.edit(11);
  d.focus(11);
  // a limit in Shift-JIS bytes: two per full-width character, one per ASCII or half-width
  edit.set_filter([](const std::string& s) {
    int bytes = 0;
    for (unsigned char c : s) bytes += (c < 0x80) ? 1 : 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(s[i]);
      if (c >= 0xE0) bytes += (c == 0xEF && static_cast<unsigned char>(s[i + 1]) >= 0xBD) ? 1 : 2;
    }
    return bytes <= 6;
  });
  d.log.clear();
  ui->feed(Event::typed("東京駅前"));  // the input method delivers four characters; three fit
  EXPECT_EQ(edit.text(), "東京駅");
  EXPECT_EQ(d.log.size(), 1u);
  ui->feed(Event::typed("x"));
  EXPECT_EQ(edit.text(), "東京駅");
  ui->feed(Event::of(Key::Backspace));
  ui->feed(Event::typed("ｶﾅ"));
  EXPECT_EQ(edit.text(), "東京ｶﾅ");
  ui->feed(Event::of(Key::Home));
  ui->feed(Event::of(Key::Delete));
  ui->feed(Event::of(Key::Right));
  ui->feed(Event::typed("a"));
  EXPECT_EQ(edit.text(), "京aｶﾅ");
  EXPECT_EQ(edit.cursor(), 2u);
  edit.set_filter({});
  edit.set_max_chars(5);
  ui->feed(Event::typed("bcd"));
  EXPECT_EQ(edit.text(), "京abｶﾅ");
  // control characters are not text
  EXPECT_FALSE(edit.user_insert("\x1b"));
}

TEST(EditField, ScrollsToKeepTheCursorInView) {
  auto ui = Ui::create_headless(40, 12);
  auto& d = static_cast<Lists&>(ui->open_modal(std::make_unique<Lists>()));
  d.focus(11);
  ui->feed(Event::typed("abcdefghij"));
  int y = d.origin_y() + 2;
  int x = d.origin_x();
  // 6 cells inside the brackets: the last five letters and the cursor
  EXPECT_EQ(cells(ui->render(), x, y, 8), "[fghij ]");
  ui->feed(Event::of(Key::Home));
  EXPECT_EQ(cells(ui->render(), x, y, 8), "[abcdef]");
  ui->feed(Event::click(x + 3, y));  // on 'c'
  EXPECT_EQ(d.edit(11).cursor(), 2u);
}

TEST(ComboBox, TypingTheStartOfAnEntrySelectsIt) {
  auto ui = Ui::create_headless(40, 20);
  auto& d = static_cast<Lists&>(ui->open_modal(std::make_unique<Lists>()));
  auto& combo = d.combo(10);  // "1".."64", "Auto", at "1"
  ui->feed(Event::typed("2"));
  EXPECT_EQ(combo.selected_text(), "2");  // exactly what was typed, before 20..29
  ui->feed(Event::typed("A"));
  EXPECT_EQ(combo.selected_text(), "Auto");
  EXPECT_EQ(d.log.size(), 2u);
  ui->feed(Event::typed("x"));  // nothing starts with x
  EXPECT_EQ(combo.selected_text(), "Auto");
  EXPECT_EQ(d.log.size(), 2u);
}

}  // namespace
}  // namespace klvc::ui
