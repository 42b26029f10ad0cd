// The password dialog: menu and operation locks, and the six-character panel
// password, which is refused (with the rule named) rather than sent short.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/password.h"
#include "settings/store.h"
#include "ui/controls.h"
#include "ui/event.h"

namespace klvc {
namespace {

using D = CPasswordDlg;

class Password : public DialogTest {
 protected:
  void open_dialog() { open(std::make_unique<CPasswordDlg>(ctx)); }
  ui::EditField& field() { return top()->edit(D::kPasswordEdit); }
  void type(const std::string& text) { field().user_insert(text); }
  void clear_field() {
    while (!field().text().empty()) field().on_event(ui::Event::of(ui::Key::Backspace));
  }
};

TEST_F(Password, LocksAreSentAsChosen) {
  open_dialog();
  press(D::kMenuSet);
  pick(D::kMenuList, 1);
  press(D::kMenuSet);
  press(D::kOperationSet);
  pick(D::kOperationList, 1);
  press(D::kOperationSet);
  EXPECT_EQ(take_lines(), (Lines{"PWMOF\r\n", "PWMON\r\n", "PWOOF\r\n", "PWOON\r\n"}));
  EXPECT_EQ(doc().password_menu, 1);
  EXPECT_EQ(doc().password_operation, 1);
  EXPECT_EQ(sim.state().password_menu, 1);
  EXPECT_EQ(sim.state().password_operation, 1);
}

TEST_F(Password, DefaultPasswordIsShownAndSent) {
  open_dialog();
  EXPECT_EQ(field().text(), "573920");
  press(D::kPasswordSet);
  EXPECT_EQ(take_lines(), (Lines{"PWI573920\r\n"}));
  EXPECT_EQ(box_texts(), (Lines{"Success"}));
}

TEST_F(Password, EveryKeystrokeReachesTheStoreAndLettersAreSentUnchanged) {
  open_dialog();
  clear_field();
  EXPECT_EQ(doc().panel_password, "");
  type("ab");
  EXPECT_EQ(doc().panel_password, "ab");
  type("C-9!");
  EXPECT_EQ(doc().panel_password, "abC-9!");
  press(ui::kIdCancel);  // closing keeps the text, sends nothing
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(doc().panel_password, "abC-9!");
  open_dialog();
  press(D::kPasswordSet);
  EXPECT_EQ(take_lines(), (Lines{"PWIabC-9!\r\n"}));
  EXPECT_EQ(sim.state().panel_password, "abC-9!");
}

TEST_F(Password, FieldRefusesASeventhCharacterBlanksAndWideText) {
  open_dialog();
  type("7");
  EXPECT_EQ(field().text(), "573920");
  clear_field();
  type("AB 12");  // a paste: the blank alone is left out
  EXPECT_EQ(field().text(), "AB12");
  type(" ");
  type("\t");
  type("あ");
  type("１");
  EXPECT_EQ(field().text(), "AB12");
  EXPECT_EQ(doc().panel_password, "AB12");
  type("3456789");  // taken up to the sixth character
  EXPECT_EQ(field().text(), "AB1234");
}

TEST_F(Password, ShortPasswordIsRefusedWithTheRule) {
  open_dialog();
  clear_field();
  type("12345");
  press(D::kPasswordSet);
  EXPECT_TRUE(take_lines().empty());
  ASSERT_EQ(box_texts().size(), 1u);
  EXPECT_NE(box_texts()[0].find("6文字"), std::string::npos) << box_texts()[0];  // says how many
  EXPECT_EQ(ui->shown_boxes().back().form.caption, "Error");
  EXPECT_EQ(ui->shown_boxes().back().form.icon, ui::MessageIcon::Warning);
  ui->answer_box(BoxResult::Ok);

  clear_field();  // an empty password is refused the same way
  press(D::kPasswordSet);
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(box_texts().size(), 2u);
  EXPECT_EQ(sim.state().panel_password, "573920");
}

TEST_F(Password, BuilderReportsWhatCannotBeSent) {
  // The send-all run calls the builder without the dialog.
  doc().panel_password = "1234";
  EXPECT_EQ(panel_password_command(doc()), "");
  EXPECT_FALSE(send_panel_password(ctx));
  doc().panel_password = "12 456";  // never typed, but a file could hold one
  EXPECT_FALSE(send_panel_password(ctx));
  doc().panel_password = "12\x82\xa0" "56";  // Shift-JIS bytes from a file
  EXPECT_FALSE(send_panel_password(ctx));
  EXPECT_TRUE(take_lines().empty());
  doc().panel_password = "abcdef";
  EXPECT_TRUE(send_panel_password(ctx));
  EXPECT_EQ(take_lines(), (Lines{"PWIabcdef\r\n"}));
}

TEST_F(Password, LongerStoredPasswordIsCutWhenTheDialogOpens) {
  doc().panel_password = "12345678";
  EXPECT_EQ(panel_password_command(doc()), "PWI123456\r\n");  // only six characters go out
  open_dialog();
  EXPECT_EQ(field().text(), "123456");
  EXPECT_EQ(doc().panel_password, "123456");
}

}  // namespace
}  // namespace klvc
