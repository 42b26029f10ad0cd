// The title dialog: typing in UTF-8, the Shift-JIS store, the warnings, the
// single Set and the "全ch.設定" batch, against the simulated switcher.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/title_set.h"
#include "settings/store.h"
#include "support/text.h"
#include "ui/controls.h"

namespace klvc {
namespace {

constexpr int kChannelList = CTitleSetDlg::kChannelList;
constexpr int kSlaveList = CTitleSetDlg::kSlaveList;
constexpr int kEdit = CTitleSetDlg::kTitleEdit;
constexpr int kAll = CTitleSetDlg::kAllChannels;
constexpr int kTable = 1006;

const char kHiraA[] = "\x82\xA0";   // あ in Shift-JIS
const char kSpace16[] = "2121212121212121212121212121212121212121212121212121212121212121";

using testing::repeat;

class TitleSet : public DialogTest {
 protected:
  CTitleSetDlg& open_dialog() {
    return open(std::make_unique<CTitleSetDlg>(ctx), [this](ui::Dialog& d, int result) {
      auto& dlg = static_cast<CTitleSetDlg&>(d);
      closed_result = result;
      closed_channel = dlg.channel;
      closed_slave = dlg.slave;
    });
  }
  void type(const std::string& utf8) { ui->feed(ui::Event::typed(utf8)); }
  void backspace(int n) {
    for (int i = 0; i < n; ++i) ui->feed(ui::Event::of(ui::Key::Backspace));
  }
  std::string& title(int channel) { return doc().channel_titles[static_cast<std::size_t>(channel)]; }
  std::string field() { return top()->edit(kEdit).text(); }
  std::string table_text() { return DialogTest::table_text(kTable); }

  int closed_result = -1;
  int closed_channel = -1;
  int closed_slave = -1;
};

TEST_F(TitleSet, OpeningShowsTheStoredTitle) {
  title(0) = kHiraA;
  open_dialog();
  EXPECT_EQ(field(), "あ");
  EXPECT_NE(table_text().find("ch01 = あ"), std::string::npos);
  EXPECT_EQ(top()->caption(), "タイトル設定 File Name ");
  EXPECT_EQ(doc().modified, 1);  // the dialog rewrote the field
  EXPECT_EQ(top()->focused(), &top()->control(kEdit));
}

TEST_F(TitleSet, OpeningOnASingleSpaceLeavesModifiedAlone) {
  title(0) = " ";
  open_dialog();
  EXPECT_EQ(doc().modified, 0);
}

TEST_F(TitleSet, TypedTextIsStoredAsShiftJisAndSentByItsCodes) {
  open_dialog();
  type("かな");
  EXPECT_EQ(title(0), "\x82\xA9\x82\xC8");
  EXPECT_EQ(doc().modified, 1);
  EXPECT_NE(table_text().find("ch01 = かな"), std::string::npos);
  press(1005);
  EXPECT_EQ(take_lines(), (Lines{"CA01242B244A" + std::string(kSpace16).substr(8) + "\r\n"}));
  EXPECT_EQ(box_texts(), (Lines{"Success"}));
  EXPECT_EQ(sim.state().titles[0][0], 0x242B);
}

TEST_F(TitleSet, ChannelTwelveAndAnEmptyTitle) {
  open_dialog();
  pick(kChannelList, 11);
  EXPECT_EQ(doc().current_channel, 11);
  EXPECT_EQ(field(), "");
  press(1005);
  EXPECT_EQ(take_lines(), (Lines{"CA12" + std::string(kSpace16) + "\r\n"}));
}

TEST_F(TitleSet, SixteenCharactersFillTheTitleAndMoreAreCut) {
  open_dialog();
  type("あいうえおかきくけこさしすせそた");
  EXPECT_EQ(title(0).size(), 32u);
  press(1005);
  EXPECT_EQ(take_lines(), (Lines{
                              "CA01" "2422242424262428242A242B242D242F"
                              "24312433243524372439243B243D243F\r\n"}));
  ui->answer_box(BoxResult::Ok);  // "Success"
  type("ち");  // the seventeenth stays in the field only
  EXPECT_EQ(field(), "あいうえおかきくけこさしすせそたち");
  EXPECT_EQ(title(0).size(), 32u);
  EXPECT_EQ(title(0).substr(30), "\x82\xBD");  // た
}

TEST_F(TitleSet, HalfWidthTextIsRefusedWithTheFirstWarning) {
  open_dialog();
  type("A");
  press(1005);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(box_texts(), (Lines{kNotJisWarning}));
  ui->answer_box(BoxResult::Ok);
  type("B");
  press(1005);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(box_texts().back(), kNotJisWarning);
  EXPECT_EQ(title(0), "AB");  // refused titles stay as typed
  ui->answer_box(BoxResult::Ok);
  backspace(2);
  type("Aあいうえおかきくけこさしすせそた");  // 33 bytes: the store keeps 32, out of step
  EXPECT_EQ(title(0).size(), 32u);
  press(1005);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(box_texts().back(), kNotJisWarning);
}

TEST_F(TitleSet, VendorSymbolsAreRefusedWithTheSecondWarning) {
  open_dialog();
  type("①");  // in Shift-JIS (0x8740) but not a character the switcher draws
  EXPECT_EQ(title(0), "\x87\x40");
  press(1005);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(box_texts(), (Lines{kOutsideSetWarning}));
}

TEST_F(TitleSet, CharactersShiftJisCannotHoldAreNamedAndKeptOut) {
  open_dialog();
  type("あ");
  type("한");  // Hangul: no Shift-JIS form
  EXPECT_EQ(field(), "あ");
  EXPECT_EQ(title(0), kHiraA);
  ASSERT_EQ(box_texts().size(), 1u);
  EXPECT_NE(box_texts()[0].find("한"), std::string::npos);
  EXPECT_NE(box_texts()[0].find("U+D55C"), std::string::npos);
  ui->answer_box(BoxResult::Ok);
  type("い😀う");  // only the bad character is left out, in one box
  EXPECT_EQ(field(), "あいう");
  ASSERT_EQ(box_texts().size(), 2u);
  EXPECT_NE(box_texts().back().find("U+1F600"), std::string::npos);
}

TEST_F(TitleSet, TitleLongerThan32BytesFromAFileIsCutWhenShown) {
  title(0) = repeat(kHiraA, 17);  // 34 bytes, as only a settings file can hold
  title(1) = "A" + repeat(kHiraA, 16);
  open_dialog();
  EXPECT_EQ(field(), "あああああああああああああああああ");
  EXPECT_EQ(title(0), repeat(kHiraA, 16));
  press(1005);
  EXPECT_EQ(take_lines(), (Lines{"CA01" + repeat("2422", 16) + "\r\n"}));
  pick(kChannelList, 1);
  EXPECT_EQ(title(1).size(), 32u);
  press(1005);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(box_texts().back(), kNotJisWarning);
}

TEST_F(TitleSet, DamagedTitleBytesSurviveOpeningAndSet) {
  title(0) = "\x82\xA0\x87";  // cut inside a character: shown with a replacement mark
  open_dialog();
  EXPECT_EQ(title(0), "\x82\xA0\x87");
  press(1005);
  EXPECT_EQ(title(0), "\x82\xA0\x87");
  EXPECT_EQ(box_texts(), (Lines{kNotJisWarning}));
}

TEST_F(TitleSet, TablePagesBySixteenAndBlanksChannelsTheModelLacks) {
  doc().model_index = 0;
  title(16) = kHiraA;
  title(28) = kHiraA;  // ch29: beyond the 28 channels
  open_dialog();
  EXPECT_NE(table_text().find("ch01 ="), std::string::npos);
  pick(kChannelList, 19);
  const std::string text = table_text();
  EXPECT_NE(text.find("ch17 = あ"), std::string::npos);
  EXPECT_NE(text.find("ch28 ="), std::string::npos);
  EXPECT_EQ(text.find("ch29"), std::string::npos);
  EXPECT_EQ(text.find("ch01"), std::string::npos);
  EXPECT_EQ(entries(kChannelList).size(), 28u);
  EXPECT_EQ(entries(kChannelList)[0], " 1");
  EXPECT_EQ(entries(kChannelList)[27], "28");
}

TEST_F(TitleSet, AFullTitleShowsWholeOnItsOwnRow) {
  title(0) = repeat("\x88\x9F", 16);  // 16 kanji, 32 cells
  open_dialog();
  const std::string text = table_text();
  EXPECT_EQ(text.substr(0, text.find("ch03")), "ch01 = " + repeat("亜", 16) + "\nch02 =\n");
  // On the screen too it stands apart from what follows on its row.
  EXPECT_NE(ui->screen_text().find("│ch01 = " + repeat("亜", 16) + "  "), std::string::npos) << ui->screen_text();
}

TEST_F(TitleSet, BadTitleInTheBatchWaitsForItsBoxThenGoesOn) {
  doc().model_index = 0;
  title(2) = "AB";
  title(3) = "\x87\x40";
  open_dialog();
  press(kAll);
  ui->advance(1500);
  EXPECT_EQ(take_lines().size(), 2u);
  EXPECT_EQ(box_texts(), (Lines{kNotJisWarning}));
  ui->advance(5000);  // the box is still open: nothing more, no second box
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(open_boxes(), 1);
  ui->answer_box(BoxResult::Ok);
  ui->advance(500);  // channel 4 fails the check too
  EXPECT_EQ(box_texts().back(), kOutsideSetWarning);
  ui->answer_box(BoxResult::Ok);
  ui->advance(500 * 24);
  EXPECT_EQ(take_lines().size(), 24u);
  EXPECT_EQ(link.status().batch_step, 0);
}

TEST_F(TitleSet, DuringTheBatchEditingAndCancelAreRefused) {
  doc().model_index = 0;
  open_dialog();
  press(kAll);
  ui->advance(500);
  ui->feed(ui::Event::of(ui::Key::Escape));  // asks whether to stop; No
  ASSERT_NE(top(), nullptr);
  ui->answer_box(BoxResult::No);
  EXPECT_FALSE(top()->combo(kChannelList).enabled());
  EXPECT_FALSE(top()->edit(kEdit).enabled());
  top()->edit(kEdit).user_insert("か");
  EXPECT_EQ(title(0), "");
  press(1005);
  press(kAll);
  ui->advance(500 * 27);
  EXPECT_EQ(take_lines().size(), 28u);
  // After the batch everything works again.
  EXPECT_TRUE(top()->edit(kEdit).enabled());
  pick(kChannelList, 5);
  EXPECT_EQ(doc().current_channel, 5);
  ui->feed(ui::Event::of(ui::Key::Escape));
  EXPECT_EQ(top(), nullptr);
  EXPECT_EQ(closed_result, ui::kIdCancel);
}

TEST_F(TitleSet, OkHandsBackTheListSelections) {
  doc().interface_mode = 1;
  open_dialog();
  pick(kChannelList, 9);
  pick(kSlaveList, 12);
  press(ui::kIdOk);
  EXPECT_EQ(closed_result, ui::kIdOk);
  EXPECT_EQ(closed_channel, 9);
  EXPECT_EQ(closed_slave, 12);
  EXPECT_EQ(doc().slave_number, 0);  // the main frame copies it
}

TEST_F(TitleSet, OkNeverHandsBackMinusOne) {
  doc().model_index = 0;
  doc().current_channel = 40;  // beyond the model: the list shows nothing
  open_dialog();
  EXPECT_EQ(selection(kChannelList), -1);
  press(ui::kIdOk);
  EXPECT_EQ(closed_channel, 40);
  EXPECT_EQ(closed_slave, 0);
}

}  // namespace
}  // namespace klvc
