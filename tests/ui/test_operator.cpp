// The keys as an operator uses them, driven headless with the test clock:
// numbers typed across keystrokes, the keys of lists and edit fields, the
// cursor at the caret through clock ticks, Tab in reading order.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/ui.h"

namespace klvc::ui {
namespace {

std::vector<std::string> numbered(int first, int last, bool two_digits) {
  std::vector<std::string> out;
  for (int n = first; n <= last; ++n) out.push_back((two_digits && n < 10 ? "0" : "") + std::to_string(n));
  return out;
}

class Form : public Dialog {
 public:
  Form() : Dialog("form", 40, 6) {
    std::vector<std::string> inputs = numbered(1, 64, false);
    inputs.push_back("Auto");
    add_combo(10, Rect{1, 1, 10, 1}, inputs).select(0);
    add_combo(11, Rect{12, 1, 10, 1}, numbered(0, 31, true)).select(0);
    add_edit(12, Rect{1, 3, 20, 1});
  }
  void on_command(int id, Notify n) override {
    if (n == Notify::SelChange) ++changes[id];
  }
  std::map<int, int> changes;
};

struct Typed {
  std::string text;
  int after_ms;  // since the key before
};

TEST(TypeAhead, DigitsTypedWithinASecondJoinIntoOneNumber) {
  struct Case {
    int list;
    std::vector<Typed> keys;
    std::string selected;
  };
  const Case cases[] = {
      {10, {{"1", 0}, {"2", 300}}, "12"},
      {10, {{"12", 0}}, "12"},                 // both keys in one read
      {10, {{"1", 0}, {"2", 1100}}, "2"},      // too slow: "2" starts anew, exactly 2
      {10, {{"2", 0}, {"0", 300}}, "20"},
      {10, {{"1", 0}}, "1"},                   // not 10: what was typed comes first
      {10, {{"6", 0}, {"4", 900}}, "64"},
      {10, {{"6", 0}, {"9", 300}}, "9"},       // no "69": the 9 alone
      {10, {{"a", 0}}, "Auto"},
      {11, {{"7", 0}}, "07"},                  // leading zeros need not be typed
      {11, {{"3", 0}, {"1", 200}}, "31"},
      {11, {{"0", 0}, {"5", 200}}, "05"},
  };
  for (const Case& c : cases) {
    auto ui = Ui::create_headless(60, 20);
    auto& d = ui->open_modal(std::make_unique<Form>());
    d.focus(c.list);
    for (const Typed& k : c.keys) {
      ui->advance(k.after_ms);
      ui->feed(Event::typed(k.text));
    }
    EXPECT_EQ(d.combo(c.list).selected_text(), c.selected) << c.keys.front().text;
  }
}

TEST(TypeAhead, PageHomeAndEndMoveAClosedList) {
  auto ui = Ui::create_headless(60, 30);
  auto& d = static_cast<Form&>(ui->open_modal(std::make_unique<Form>()));
  d.focus(10);
  const std::pair<Key, std::string> steps[] = {
      {Key::PageDown, "11"}, {Key::PageDown, "21"}, {Key::PageUp, "11"},
      {Key::End, "Auto"},    {Key::PageDown, "Auto"}, {Key::Home, "1"}, {Key::PageUp, "1"},
  };
  for (const auto& [key, selected] : steps) {
    ui->feed(Event::of(key));
    EXPECT_EQ(d.combo(10).selected_text(), selected);
    EXPECT_FALSE(d.combo(10).is_open());
  }
  EXPECT_EQ(d.changes[10], 5);  // only real changes are reported
}

TEST(EditKeys, EachKeyDoesWhatItSays) {
  struct Case {
    std::vector<Event> keys;
    std::string text;
  };
  const Case cases[] = {
      {{Event::ctrl('w')}, "abc "},
      {{Event::ctrl('w'), Event::ctrl('w')}, ""},
      {{Event::ctrl('u')}, ""},
      {{Event::ctrl('a'), Event::typed("x")}, "xabc def"},
      {{Event::ctrl('a'), Event::ctrl('e'), Event::typed("x")}, "abc defx"},
      {{Event::of(Key::Home), Event::of(Key::Delete)}, "bc def"},
      {{Event::of(Key::Left), Event::of(Key::Backspace)}, "abc df"},
      {{Event::of(Key::End), Event::of(Key::Left), Event::of(Key::Delete)}, "abc de"},
  };
  for (const Case& c : cases) {
    auto ui = Ui::create_headless(60, 20);
    auto& d = ui->open_modal(std::make_unique<Form>());
    d.focus(12);
    ui->feed(Event::typed("abc def"));
    for (const Event& e : c.keys) ui->feed(e);
    EXPECT_EQ(d.edit(12).text(), c.text);
  }
}

TEST(EditKeys, ASelectedTextIsReplacedByTypingAndARefusedCharacterRefusesOnlyItself) {
  auto ui = Ui::create_headless(60, 20);
  auto& d = ui->open_modal(std::make_unique<Form>());
  EditField& field = d.edit(12);
  d.focus(12);
  std::vector<std::string> refused;
  field.set_filter([](const std::string& s) { return s.find(' ') == std::string::npos; });
  field.set_refused_handler([&](const std::string& r) { refused.push_back(r); });
  ui->feed(Event::typed("AB 12 3"));  // a paste with two blanks
  EXPECT_EQ(field.text(), "AB123");
  EXPECT_EQ(refused, (std::vector<std::string>{"  "}));  // told once, both blanks
  field.set_text("walk1.dat");
  field.select_all();
  ui->feed(Event::typed("walk2"));
  EXPECT_EQ(field.text(), "walk2");
  field.select_all();
  ui->feed(Event::typed(" "));  // refused: the selection stays as it was
  EXPECT_EQ(field.text(), "walk2");
  EXPECT_TRUE(field.all_selected());
  ui->feed(Event::of(Key::Backspace));
  EXPECT_EQ(field.text(), "");
}

TEST(Cursor, StaysAtTheCaretThroughClockTicksAndHidesBehindBoxesAndMenus) {
  auto ui = Ui::create_headless(60, 20);
  ui->set_menu(Menu{{MenuItem{"ファイル", 0, {{"開く", 1}}}}});
  ui->set_status_panes({{"ﾚﾃﾞｨ", 0}, {"00:00:00", 8}});
  int ticks = 0;
  ui->set_timer(nullptr, 1, 1000, [&] { ui->set_status_text(1, "00:00:0" + std::to_string(++ticks)); });
  auto& d = ui->open_modal(std::make_unique<Form>());
  d.focus(12);
  ui->feed(Event::typed("あい"));
  // The field's "[" stands at the dialog's origin + 1; the caret after two wide letters.
  const CursorPos caret{true, d.origin_x() + 1 + 1 + 4, d.origin_y() + 3};
  EXPECT_EQ(ui->render().cursor(), caret);
  ui->advance(2000);
  EXPECT_EQ(ticks, 2);
  EXPECT_NE(ui->screen_text().find("00:00:02"), std::string::npos);
  EXPECT_EQ(ui->render().cursor(), caret);
  ui->message_box({"Success", "設定完了", MessageIcon::Information, MessageButtons::Ok, false});
  EXPECT_FALSE(ui->render().cursor().visible);
  ui->answer_box(BoxResult::Ok);
  EXPECT_EQ(ui->render().cursor(), caret);
  d.focus(10);  // a list has no caret
  EXPECT_FALSE(ui->render().cursor().visible);
}

TEST(TabOrder, FollowsTheScreenNotTheOrderControlsWereMade) {
  auto ui = Ui::create_headless(60, 20);
  auto d = std::make_unique<Dialog>("order", 30, 5);
  d->add_button(kIdOk, Rect{20, 4, 8, 1}, "OK", true);
  d->add_edit(3, Rect{1, 2, 10, 1});
  d->add_combo(2, Rect{12, 0, 8, 1}, {"a"});
  d->add_combo(1, Rect{1, 0, 8, 1}, {"a"});
  d->add_button(4, Rect{12, 2, 8, 1}, "設定").enable(false);  // greyed: skipped
  auto& dlg = ui->open_modal(std::move(d));
  std::vector<int> seen;
  for (int i = 0; i < 5; ++i) {
    seen.push_back(dlg.focused()->id());
    ui->feed(Event::of(Key::Tab));
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, kIdOk, 1}));
  ui->feed(Event::of(Key::BackTab));
  EXPECT_EQ(dlg.focused()->id(), kIdOk);
}

}  // namespace
}  // namespace klvc::ui
