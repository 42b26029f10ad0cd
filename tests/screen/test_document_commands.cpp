// The File menu as the operator meets it: the questions, the file dialogs,
// "Can't file open", and what each path does to the store and the files.
#include <gtest/gtest.h>

#include "screen/command_ids.h"
#include "screen/resource.h"
#include "app_fixture.h"
#include "settings/settings_file.h"
#include "settings/store.h"
#include "support/failing_disk.h"
#include "support/text.h"
#include "ui/event.h"

namespace klvc {
namespace {

using testing::AppTest;
using testing::default_settings_file;
using testing::file_exists;
using testing::kCameraSjis;
using testing::read_file;
using testing::write_file;

class DocumentCommands : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    start();
    dismiss_boxes();
  }
  // What an edited title leaves behind.
  void edit_title() {
    doc().channel_titles[0] = kCameraSjis;
    doc().modified = 1;
  }
  void expect_question(const ui::ShownBox& box, const char* text) {
    EXPECT_TRUE(box.open);
    EXPECT_EQ(box.form.text, text);
    EXPECT_EQ(box.form.caption, "KLVC");
    EXPECT_EQ(box.form.icon, ui::MessageIcon::Question);
    EXPECT_EQ(box.form.buttons, ui::MessageButtons::YesNo);
  }
  void expect_cant_open(const ui::ShownBox& box, const std::string& path_in_text) {
    EXPECT_EQ(box.form.caption, "Error");
    EXPECT_EQ(box.form.icon, ui::MessageIcon::Warning);
    EXPECT_EQ(box.form.text.rfind("Can't file open\n", 0), 0u) << box.form.text;
    EXPECT_NE(box.form.text.find(path_in_text), std::string::npos) << box.form.text;
  }
};

TEST_F(DocumentCommands, NewWithoutEditsResetsAtOnce) {
  doc().output_routes[2] = 9;
  doc().file_name = dir.file("a.dat");
  ui->command(cmd::kFileNew);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(doc().output_routes[2], 2);
  EXPECT_EQ(doc().file_name, "");
}

TEST_F(DocumentCommands, NewAfterAnEditAsksNoKeepsEverythingYesResetsButStillCountsAsModified) {
  edit_title();
  doc().file_name = dir.file("a.dat");
  doc().model_index = 3;
  doc().slave_number = 4;
  ui->command(cmd::kFileNew);
  ASSERT_EQ(boxes().size(), 1u);
  expect_question(boxes()[0], "データを保存せずに新規作成しますか？");
  ui->answer_box(BoxResult::No);
  EXPECT_EQ(doc().channel_titles[0], kCameraSjis);
  EXPECT_EQ(doc().file_name, dir.file("a.dat"));
  EXPECT_EQ(doc().modified, 1);

  ui->command(cmd::kFileNew);
  ui->answer_box(BoxResult::Yes);
  EXPECT_EQ(doc().channel_titles[0], "");
  EXPECT_EQ(doc().modified, 1);
  EXPECT_EQ(doc().model_index, 3);
  EXPECT_EQ(doc().slave_number, 4);
  ui->clear_shown_boxes();
  ui->command(cmd::kFileNew);  // asks again although nothing was edited since
  ASSERT_EQ(boxes().size(), 1u);
  expect_question(boxes()[0], "データを保存せずに新規作成しますか？");
}

TEST_F(DocumentCommands, OpenLoadsTheFileAndClearsModified) {
  const std::string path = dir.file("site.dat");
  write_file(path, default_settings_file({{1, kCameraSjis}, {1387, "40"}}));
  edit_title();
  open_answers.push_back(path);
  ui->command(cmd::kFileOpen);
  ASSERT_EQ(boxes().size(), 1u);
  expect_question(boxes()[0], "データを保存せずに別のファイルを開きますか？");
  ui->answer_box(BoxResult::Yes);
  EXPECT_EQ(doc().output_routes[2], 40);
  EXPECT_EQ(doc().file_name, path);
  EXPECT_EQ(doc().modified, 0);
  EXPECT_EQ(boxes().size(), 1u);  // a clean file: no report

  // Exit right after asks nothing.
  ui->command(cmd::kAppExit);
  EXPECT_TRUE(ui->quitting());
}

TEST_F(DocumentCommands, OpenAnsweredNoOrCancelledChangesNothing) {
  edit_title();
  open_answers.push_back(dir.file("never.dat"));
  ui->command(cmd::kFileOpen);
  ui->answer_box(BoxResult::No);
  EXPECT_TRUE(open_starts.empty());  // no file dialog
  doc().modified = 0;
  open_answers.clear();
  ui->command(cmd::kFileOpen);       // cancelled dialog
  EXPECT_EQ(open_starts.size(), 1u);
  EXPECT_EQ(doc().file_name, "");
  EXPECT_EQ(boxes().size(), 1u);
}

TEST_F(DocumentCommands, OpenStartsInTheFolderLastUsedElseTheCurrentOne) {
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  ui->command(cmd::kFileOpen);
  ASSERT_EQ(open_starts.size(), 1u);
  EXPECT_EQ(open_starts[0], cwd);
  ::mkdir(dir.file("sub").c_str(), 0700);
  save_answers.push_back(dir.file("sub/x.dat"));
  ui->command(cmd::kFileSaveAs);
  ui->command(cmd::kFileOpen);
  EXPECT_EQ(open_starts.back(), dir.file("sub"));
}

TEST_F(DocumentCommands, UnreadableFileIsReportedAndKeepsTheStoreAndTheName) {
  const std::string good = dir.file("good.dat");
  write_file(good, default_settings_file());
  open_answers.push_back(good);
  ui->command(cmd::kFileOpen);
  doc().output_routes[0] = 7;

  const std::string missing = dir.file("missing.dat");
  open_answers.push_back(missing);
  ui->command(cmd::kFileOpen);
  ASSERT_EQ(boxes().size(), 1u);
  expect_cant_open(boxes()[0], missing);
  EXPECT_EQ(doc().output_routes[0], 7);
  // The failed path is not taken over, so Save cannot write there.
  EXPECT_EQ(doc().file_name, good);
  ui->answer_box(BoxResult::Ok);
  ui->command(cmd::kFileSave);
  EXPECT_FALSE(file_exists(missing));
  EXPECT_EQ(read_file(good), default_settings_file({{1385, "7"}}));
}

TEST_F(DocumentCommands, FileWithProblemsLoadsAndListsThemByLine) {
  const std::string path = dir.file("odd.dat");
  write_file(path, default_settings_file({{1390, "99"}}));
  open_answers.push_back(path);
  ui->command(cmd::kFileOpen);
  EXPECT_EQ(doc().file_name, path);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].form.icon, ui::MessageIcon::Warning);
  EXPECT_NE(boxes()[0].form.text.find("odd.dat:1390: "), std::string::npos) << boxes()[0].form.text;
}

TEST_F(DocumentCommands, LongProblemListsAreCut) {
  const std::string path = dir.file("bad.dat");
  std::vector<std::pair<int, std::string>> bad;
  for (int line = 1369; line <= 1384; ++line) bad.push_back({line, "77"});  // 16 dwell times
  write_file(path, default_settings_file(bad));
  open_answers.push_back(path);
  ui->command(cmd::kFileOpen);
  ASSERT_EQ(boxes().size(), 1u);
  const std::string& text = boxes()[0].form.text;
  EXPECT_NE(text.find("bad.dat:1369: "), std::string::npos);
  EXPECT_EQ(text.find("bad.dat:1384: "), std::string::npos);
  EXPECT_NE(text.find("... and 4 more"), std::string::npos) << text;
}

TEST_F(DocumentCommands, SaveRightAfterStartUpCannotOpenAndCreatesNothing) {
  ui->command(cmd::kFileSave);
  ASSERT_EQ(boxes().size(), 1u);
  expect_cant_open(boxes()[0], "名前を付けて保存");
  EXPECT_EQ(testing::list_dir(dir.path()), "config");
}

TEST_F(DocumentCommands, SaveAsWritesTheFileAndSaveWritesItAgain) {
  const std::string path = dir.file("out.dat");
  edit_title();
  ui->command(cmd::kFileSaveAs);  // cancelled: nothing happens
  EXPECT_EQ(doc().file_name, "");
  EXPECT_EQ(doc().modified, 1);

  save_answers.push_back(path);
  ui->command(cmd::kFileSaveAs);
  EXPECT_EQ(doc().file_name, path);
  EXPECT_EQ(doc().modified, 0);
  EXPECT_EQ(read_file(path), default_settings_file({{1, kCameraSjis}}));

  doc().output_routes[15] = 64;
  ui->command(cmd::kFileSave);
  EXPECT_EQ(read_file(path), default_settings_file({{1, kCameraSjis}, {1400, "64"}}));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(DocumentCommands, FailedSaveKeepsModifiedAndThePreviousFile) {
  const std::string path = dir.file("keep.dat");
  save_answers.push_back(path);
  ui->command(cmd::kFileSaveAs);
  const std::string before = read_file(path);
  edit_title();
  testing::FailingDisk full(testing::SaveStep::Write, ENOSPC);
  frame().set_disk(full);
  ui->command(cmd::kFileSave);
  frame().set_disk(system_disk());
  ASSERT_EQ(boxes().size(), 1u);
  expect_cant_open(boxes()[0], path);
  EXPECT_EQ(doc().modified, 1);
  EXPECT_EQ(read_file(path), before);
}

TEST_F(DocumentCommands, NothingRunsWhileABatchIsSending) {
  link().status().batch_step = 3;
  doc().output_routes[1] = 5;
  open_answers.push_back(dir.file("x.dat"));
  save_answers.push_back(dir.file("y.dat"));
  for (int id : {cmd::kFileNew, cmd::kFileOpen, cmd::kFileSave, cmd::kFileSaveAs}) ui->command(id);
  EXPECT_TRUE(boxes().empty());
  EXPECT_TRUE(open_starts.empty());
  EXPECT_TRUE(save_starts.empty());
  EXPECT_EQ(doc().output_routes[1], 5);
  // Exit does not look at the batch.
  ui->command(cmd::kAppExit);
  EXPECT_TRUE(ui->quitting());
}

TEST_F(DocumentCommands, ExitWithoutEditsEndsAtOnce) {
  ui->command(cmd::kAppExit);
  EXPECT_TRUE(boxes().empty());
  EXPECT_TRUE(ui->quitting());
  EXPECT_FALSE(ui->timer_active(nullptr, cmd::kFrameTimer));
  EXPECT_TRUE(frame().is_shut_down());
}

TEST_F(DocumentCommands, ExitAfterAnEditAsksEvenWhenTheCurrentTitleIsOneSpaceAndYesEnds) {
  edit_title();
  doc().current_channel = 5;
  doc().channel_titles[5] = " ";
  ui->command(cmd::kAppExit);
  ASSERT_EQ(boxes().size(), 1u);
  expect_question(boxes()[0], "データを保存せずに終了しますか？");
  EXPECT_FALSE(ui->quitting());
  EXPECT_NE(ui->key_hint().find("Enter"), std::string::npos);
  ui->feed(ui::Event::of(ui::Key::Right));  // from the default No to Yes
  ui->feed(ui::Event::of(ui::Key::Enter));
  EXPECT_TRUE(ui->quitting());
}

TEST_F(DocumentCommands, ExitAnsweredNoWithoutANameOffersSaveAsAndCancelStaysOpen) {
  edit_title();
  ui->command(cmd::kAppExit);
  ui->answer_box(BoxResult::No);
  EXPECT_EQ(save_starts.size(), 1u);
  EXPECT_FALSE(ui->quitting());
  EXPECT_EQ(doc().modified, 1);
  // A second exit asks again.
  ui->clear_shown_boxes();
  ui->command(cmd::kAppExit);
  ASSERT_EQ(boxes().size(), 1u);
  expect_question(boxes()[0], "データを保存せずに終了しますか？");
}

TEST_F(DocumentCommands, ExitAnsweredNoSavesToTheCurrentFileThenExitIsQuiet) {
  const std::string path = dir.file("cur.dat");
  save_answers.push_back(path);
  ui->command(cmd::kFileSaveAs);
  edit_title();
  ui->command(cmd::kAppExit);
  ui->answer_box(BoxResult::No);
  EXPECT_FALSE(ui->quitting());
  EXPECT_EQ(doc().modified, 0);
  EXPECT_EQ(read_file(path), default_settings_file({{1, kCameraSjis}}));
  ui->clear_shown_boxes();
  ui->command(cmd::kAppExit);
  EXPECT_TRUE(boxes().empty());
  EXPECT_TRUE(ui->quitting());
}

TEST_F(DocumentCommands, ClosingTheWindowGoesThroughTheExitQuestion) {
  edit_title();
  ui->feed(ui::Event::ctrl('c'));  // what SIGINT, SIGTERM and the close key do
  ASSERT_EQ(boxes().size(), 1u);
  expect_question(boxes()[0], "データを保存せずに終了しますか？");
  ui->feed(ui::Event::ctrl('c'));  // a second request while asking adds nothing
  EXPECT_EQ(boxes().size(), 1u);
  ui->answer_box(BoxResult::Yes);
  EXPECT_TRUE(ui->quitting());
  EXPECT_TRUE(frame().is_shut_down());
}

TEST_F(DocumentCommands, KeyboardShortcutsRunTheFileMenuHandlers) {
  // Ctrl+S right after start-up: the menu's Save, so no empty file anywhere.
  ui->feed(ui::Event::ctrl('s'));
  ASSERT_EQ(boxes().size(), 1u);
  expect_cant_open(boxes()[0], "名前を付けて保存");
  ui->answer_box(BoxResult::Ok);
  // Ctrl+N after an edit asks first.
  edit_title();
  ui->feed(ui::Event::ctrl('n'));
  ASSERT_EQ(boxes().size(), 2u);
  expect_question(boxes()[1], "データを保存せずに新規作成しますか？");
  ui->answer_box(BoxResult::No);
  EXPECT_EQ(doc().modified, 1);
  // Ctrl+O asks too, then shows the file dialog.
  ui->feed(ui::Event::ctrl('o'));
  ASSERT_EQ(boxes().size(), 3u);
  expect_question(boxes()[2], "データを保存せずに別のファイルを開きますか？");
  ui->answer_box(BoxResult::Yes);
  EXPECT_EQ(open_starts.size(), 1u);
}

}  // namespace
}  // namespace klvc
