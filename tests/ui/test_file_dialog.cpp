#include "ui/file_dialog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/files.h"
#include "support/scoped_env.h"
#include "ui/ui.h"

namespace klvc::ui {
namespace {

using klvc::testing::write_file;

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a.dat", "b.txt", ".hidden.dat", "c.CSV", "d.txt.bak"}) write_file(dir.file(name), "x");
    ::mkdir(dir.file("sub").c_str(), 0755);
    write_file(dir.file("sub/c.DAT"), "x");
  }
  FileDialog& top() { return static_cast<FileDialog&>(*ui_->top_dialog()); }
  void type_and_enter(const std::string& text) {
    top().focus(FileDialog::kIdName);
    ui_->feed(Event::typed(text));
    ui_->feed(Event::of(Key::Enter));
  }

  klvc::testing::TempDir dir;
  const std::string dir_ = dir.path();
  std::unique_ptr<Ui> ui_ = Ui::create_headless(80, 24);
  std::string result_ = "unset";
};

TEST_F(FileDialogTest, ListsDatFilesAndFoldersOfTheStartFolder) {
  ui_->file_open_dialog(dir_, [&](std::string p) { result_ = p; });
  EXPECT_EQ(top().list().entries(), (std::vector<std::string>{"..", "sub/", "a.dat"}));
  EXPECT_EQ(top().caption(), "ファイルを開く");
  std::string screen = ui_->screen_text();
  EXPECT_NE(screen.find("sub/"), std::string::npos);
  EXPECT_EQ(screen.find("b.txt"), std::string::npos);
  // into the folder with Enter on its entry, and back up with ".."
  top().focus(FileDialog::kIdList);
  ui_->feed(Event::of(Key::Down));
  ui_->feed(Event::of(Key::Enter));
  EXPECT_EQ(top().folder(), dir_ + "/sub");
  EXPECT_EQ(top().list().entries(), (std::vector<std::string>{"..", "c.DAT"}));
  ui_->feed(Event::of(Key::Home));
  ui_->feed(Event::of(Key::Enter));
  EXPECT_EQ(top().folder(), dir_);
  EXPECT_EQ(result_, "unset");
}

TEST_F(FileDialogTest, OpenAddsTheExtensionAndRefusesMissingFiles) {
  ui_->file_open_dialog(dir_, [&](std::string p) { result_ = p; });
  type_and_enter("nothing");
  ASSERT_TRUE(ui_->message_box_open());
  EXPECT_NE(ui_->shown_boxes().back().form.text.find("nothing.dat"), std::string::npos);
  EXPECT_EQ(ui_->shown_boxes().back().form.icon, MessageIcon::Warning);
  ui_->feed(Event::of(Key::Enter));
  EXPECT_EQ(ui_->dialog_depth(), 1);
  top().edit(FileDialog::kIdName).set_text("");
  type_and_enter("a");
  EXPECT_EQ(result_, dir_ + "/a.dat");
  EXPECT_EQ(ui_->dialog_depth(), 0);
}

TEST_F(FileDialogTest, PickingAFileInTheListFillsTheName) {
  ui_->file_open_dialog(dir_, [&](std::string p) { result_ = p; });
  top().focus(FileDialog::kIdList);
  ui_->feed(Event::of(Key::End));
  EXPECT_EQ(top().edit(FileDialog::kIdName).text(), "a.dat");
  ui_->feed(Event::of(Key::Enter));
  EXPECT_EQ(result_, dir_ + "/a.dat");
}

TEST_F(FileDialogTest, SaveAddsDatAndAsksBeforeOverwriting) {
  ui_->file_save_dialog(dir_, [&](std::string p) { result_ = p; }, "", "KLVC");
  type_and_enter("a");
  ASSERT_TRUE(ui_->message_box_open());
  const ShownBox& q = ui_->shown_boxes().back();
  EXPECT_EQ(q.form.caption, "KLVC");
  EXPECT_EQ(q.form.buttons, MessageButtons::YesNo);
  EXPECT_NE(q.form.text.find("a.dat"), std::string::npos);
  ui_->feed(Event::typed("n"));  // No: stay in the dialog
  EXPECT_EQ(ui_->dialog_depth(), 1);
  EXPECT_EQ(result_, "unset");
  ui_->feed(Event::of(Key::Enter));
  ui_->feed(Event::of(Key::Enter));  // No is the default: a stray Enter replaces nothing
  EXPECT_EQ(result_, "unset");
  ui_->feed(Event::of(Key::Enter));
  ui_->feed(Event::typed("y"));
  EXPECT_EQ(result_, dir_ + "/a.dat");
}

TEST_F(FileDialogTest, SaveOfANewNameAndCancel) {
  ui_->file_save_dialog(dir_, [&](std::string p) { result_ = p; }, "/somewhere/else/old.dat");
  EXPECT_EQ(top().edit(FileDialog::kIdName).text(), "old.dat");
  EXPECT_EQ(top().caption(), "名前を付けて保存");
  top().edit(FileDialog::kIdName).set_text("");
  type_and_enter("新しい設定");
  EXPECT_FALSE(ui_->message_box_open());
  EXPECT_EQ(result_, dir_ + "/新しい設定.dat");
  ui_->file_save_dialog(dir_, [&](std::string p) { result_ = p; });
  ui_->feed(Event::of(Key::Escape));
  EXPECT_EQ(result_, "");
  // a folder that does not exist is reported, not created
  ui_->file_save_dialog(dir_, [&](std::string p) { result_ = p; });
  type_and_enter("nope/x");
  EXPECT_TRUE(ui_->message_box_open());
  EXPECT_EQ(ui_->dialog_depth(), 1);
}

TEST_F(FileDialogTest, TypedNamesLeadWhereTheySay) {
  mkdir((dir_ + "/sub/deeper").c_str(), 0755);
  klvc::testing::ScopedEnv home("HOME", dir_.c_str());
  struct Case {
    std::string typed;
    std::string folder;  // where the dialog then stands ("" : it ended)
    std::string chosen;  // the path handed back when it ended
  };
  const Case cases[] = {
      {"sub", dir_ + "/sub", ""},                      // a folder's name enters it
      {"sub/deeper", dir_ + "/sub/deeper", ""},
      {"..", dir_.substr(0, dir_.rfind('/')), ""},
      {dir_ + "/sub", dir_ + "/sub", ""},             // an absolute folder
      {"~/sub", dir_ + "/sub", ""},                   // the home folder
      {"/", "/", ""},                                  // the root: no ".." above it
      {"~/a", "", dir_ + "/a.dat"},
      {dir_ + "/sub/c.DAT", "", dir_ + "/sub/c.DAT"},  // an absolute file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    result_ = "unset";
    ui_->file_open_dialog(dir_, [&](std::string p) { result_ = p; });
    type_and_enter(c.typed);
    if (c.folder.empty()) {
      EXPECT_EQ(ui_->dialog_depth(), 0);
      EXPECT_EQ(result_, c.chosen);
      continue;
    }
    EXPECT_EQ(top().folder(), c.folder);
    EXPECT_EQ(top().edit(FileDialog::kIdName).text(), "");
    EXPECT_EQ(top().list().entries().front() == "..", c.folder != "/");
    ui_->feed(Event::of(Key::Escape));
  }
}

TEST_F(FileDialogTest, AFolderThatCannotBeReadIsSaidAndALongPathShowsItsEnd) {
  // A folder that goes away after it was listed cannot be read when entered
  // (whoever runs the test, even root).
  mkdir((dir_ + "/gone").c_str(), 0755);
  ui_->file_open_dialog(dir_, [&](std::string p) { result_ = p; });
  rmdir((dir_ + "/gone").c_str());
  top().focus(FileDialog::kIdList);
  ui_->feed(Event::of(Key::Down));  // from "..": "gone/", "sub/", "a.dat"
  ASSERT_EQ(top().list().selected_text(), "gone/");
  ui_->feed(Event::of(Key::Enter));
  EXPECT_EQ(top().label(FileDialog::kIdNote).text(), "cannot read " + dir_ + "/gone: No such file or directory");
  EXPECT_EQ(top().list().entries(), (std::vector<std::string>{".."}));
  ui_->feed(Event::of(Key::Enter));  // back up
  EXPECT_EQ(top().folder(), dir_);
  EXPECT_EQ(top().label(FileDialog::kIdNote).text(), "");
  ui_->feed(Event::of(Key::Escape));

  std::string deep = dir_;
  for (const char* name : {"/長いフォルダの名前", "/another-long-folder-name", "/いちばん奥"}) {
    deep += name;
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  }
  ui_->file_open_dialog(deep, [&](std::string p) { result_ = p; });
  const std::string shown = top().label(FileDialog::kIdFolder).text();
  EXPECT_EQ(shown.rfind("フォルダ: ...", 0), 0u) << shown;
  EXPECT_EQ(shown.substr(shown.size() - std::string("/いちばん奥").size()), "/いちばん奥");
  EXPECT_NE(ui_->screen_text().find(shown), std::string::npos) << "shown whole";
}

TEST_F(FileDialogTest, OtherKindsOfFilesAreListedAndTheFirstKindIsAdded) {
  ui_->file_save_dialog(dir_, [&](std::string p) { result_ = p; }, "", "KLVC", {"txt", "csv"}, "エクスポート");
  EXPECT_EQ(top().caption(), "エクスポート");
  EXPECT_EQ(top().list().entries(), (std::vector<std::string>{"..", "sub/", "b.txt", "c.CSV"}));
  type_and_enter("site");
  EXPECT_EQ(result_, dir_ + "/site.txt");
}

TEST_F(FileDialogTest, UnusableStartFolderFallsBackToTheCurrentOne) {
  ui_->file_open_dialog(dir_ + "/missing", [&](std::string p) { result_ = p; });
  char buf[4096];
  ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
  EXPECT_EQ(top().folder(), std::string(buf));
}

}  // namespace
}  // namespace klvc::ui
