// The questions on the way out and what they leave on disk: Esc on a
// question, Ctrl+C during a run, SIGTERM with edited titles; and the
// program's own file dialogs behind the File menu.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "screen/command_ids.h"
#include "screen/resource.h"
#include "app_fixture.h"
#include "settings/settings_file.h"
#include "settings/store.h"
#include "sim/simulator.h"
#include "support/scoped_env.h"
#include "support/text.h"
#include "ui/event.h"

namespace klvc {
namespace {

using testing::AppTest;
using testing::default_settings_file;
using testing::file_exists;
using testing::kCameraSjis;
using testing::list_dir;
using testing::read_file;
using testing::write_file;

class Leaving : public AppTest {
 protected:
  // A saved file open, then a title edited and not saved.
  void open_saved_file_and_edit() {
    write_file(walk, default_settings_file());
    ASSERT_TRUE(frame().open_settings_file(walk));
    doc().channel_titles[0] = kCameraSjis;
    doc().modified = 1;
  }
  int lines_sent() {
    int n = 0;
    for (const TrafficLine& l : app->traffic().last(1000)) n += l.direction == LogDirection::Sent;
    return n;
  }
  std::string walk = dir.file("walk.dat");
};

TEST(RecoveryFolder, WithoutHomeIsThePasswordDatabasesHomeNeverTmp) {
  testing::ScopedEnv home("HOME", nullptr);
  testing::ScopedEnv state("XDG_STATE_HOME", nullptr);
  EXPECT_EQ(recovery_state_dir(), std::string(getpwuid(getuid())->pw_dir) + "/.local/state/klvc");
}

TEST_F(Leaving, EscOnEachQuestionChangesNothingOnDisk) {
  start();
  dismiss_boxes();
  open_saved_file_and_edit();
  const std::string bytes = read_file(walk);
  const std::string files = list_dir(dir.path());
  const std::pair<int, const char*> questions[] = {
      {cmd::kFileNew, kPromptNew}, {cmd::kFileOpen, kPromptOpen}, {cmd::kAppExit, kPromptExit}, {cmd::kAppExit, kPromptExit}};
  for (const auto& [command, prompt] : questions) {
    SCOPED_TRACE(prompt);
    ui->command(command);
    ASSERT_TRUE(ui->message_box_open());
    EXPECT_EQ(boxes().back().form.text, prompt);
    ui->feed(ui::Event::of(ui::Key::Escape));
    EXPECT_FALSE(ui->message_box_open());
    EXPECT_TRUE(open_starts.empty() && save_starts.empty()) << "no file dialog";
    EXPECT_EQ(read_file(walk), bytes);
    EXPECT_EQ(list_dir(dir.path()), files);
    EXPECT_EQ(doc().channel_titles[0], kCameraSjis);
    EXPECT_EQ(doc().modified, 1);
    EXPECT_EQ(doc().file_name, walk);
    EXPECT_FALSE(frame().is_shut_down());
  }
}

TEST_F(Leaving, CtrlCDuringARunAsksFirstAndSaysHowFarItGot) {
  Simulator switcher(0);
  start();
  attach(switcher);  // lines count as sent only once a switcher takes them
  dismiss_boxes();
  ui->command(cmd::kOutputSwitch);  // KLV-A: eight outputs, one every 100 ms
  ui->top_dialog()->click(1005);
  ui->advance(250);
  EXPECT_EQ(lines_sent(), 2);
  ui->feed(ui::Event::ctrl('c'));
  ASSERT_TRUE(ui->message_box_open());
  EXPECT_EQ(boxes().back().form.text, "送信の途中です（出力切換え設定: 2/8 まで）。\n送信を止めて終了しますか？");
  ui->feed(ui::Event::ctrl('c'));  // asked once only
  ui->feed(ui::Event::of(ui::Key::Escape));
  EXPECT_FALSE(ui->message_box_open());
  ui->advance(100);  // the run goes on
  EXPECT_EQ(lines_sent(), 3);
  ui->feed(ui::Event::ctrl('c'));
  ui->feed(ui::Event::typed("y"));
  EXPECT_EQ(ui->top_dialog(), nullptr);
  EXPECT_EQ(link().status().batch_step, 0);
  EXPECT_TRUE(frame().is_shut_down());  // nothing edited: no second question
  ui->advance(1000);
  EXPECT_EQ(lines_sent(), 3);
}

TEST_F(Leaving, SigtermKeepsEditedTitlesInARecoveryFileAndNeverWritesOverAFile) {
  const std::string state = dir.file("state");
  testing::ScopedEnv state_home("XDG_STATE_HOME", state.c_str());
  struct Case {
    const char* name;
    bool file_open;
    bool older_recovery;
    bool edited;
    std::string expected;  // "" for none; a folder ends with '/'
    bool named_without_folder = false;  // opened as `klvc walk.dat` from its folder
  };
  const Case cases[] = {
      {"beside the open file", true, false, true, walk + ".save"},
      {"an older one is kept", true, true, true, walk + ".save.2"},
      {"no file open", false, false, true, state + "/klvc/"},
      {"nothing edited", true, false, false, ""},
      {"named without a folder", true, false, true, "walk.dat.save", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app.reset();
    ::system(("rm -rf '" + state + "' '" + walk + "'*").c_str());
    start();
    dismiss_boxes();
    if (c.file_open) {
      open_saved_file_and_edit();
    } else {
      doc().channel_titles[0] = kCameraSjis;
    }
    doc().modified = c.edited;
    if (c.older_recovery) write_file(walk + ".save", "older");
    char first_folder[4096];
    ASSERT_NE(::getcwd(first_folder, sizeof first_folder), nullptr);
    if (c.named_without_folder) {
      ASSERT_EQ(::chdir(dir.path().c_str()), 0);
      doc().file_name = "walk.dat";
    }
    const std::string before = c.file_open ? read_file(walk) : "";
    std::string expected_bytes;
    ASSERT_TRUE(settings_file_text(doc(), doc().model_index, &expected_bytes, nullptr));

    frame().on_terminate(SIGTERM);
    ASSERT_EQ(::chdir(first_folder), 0);
    EXPECT_TRUE(frame().is_shut_down());
    EXPECT_TRUE(ui->quitting());
    EXPECT_EQ(frame().terminated_by(), SIGTERM);
    EXPECT_TRUE(boxes().empty()) << "no question";
    if (c.file_open) {
      EXPECT_EQ(read_file(walk), before);
    }
    if (c.older_recovery) {
      EXPECT_EQ(read_file(walk + ".save"), "older");
    }
    const auto& report = frame().exit_report();
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report.front(), "ended by SIGTERM");
    if (c.expected.empty()) {
      EXPECT_EQ(report.size(), 1u);
      EXPECT_FALSE(file_exists(walk + ".save"));
      continue;
    }
    std::string path = c.expected;
    if (path.back() == '/') {
      const std::string names = list_dir(path);
      EXPECT_EQ(names.rfind("unsaved-", 0), 0u) << names;
      EXPECT_NE(names.find(".dat.save"), std::string::npos) << names;
      path += names.substr(0, names.find(' '));
    }
    EXPECT_EQ(read_file(c.named_without_folder ? dir.file(path) : path), expected_bytes);
    ASSERT_EQ(report.size(), 2u);
    const std::string kept = "the edited titles were not saved; the settings are in " + path + " (open it with";
    EXPECT_EQ(report[1].rfind(kept, 0), 0u);
  }
}

TEST_F(Leaving, TheFileMenuUsesTheProgramsOwnFileDialogs) {
  scripted_file_dialogs = false;
  start();
  dismiss_boxes();
  write_file(walk, default_settings_file({{1, kCameraSjis}}));
  ui->command(cmd::kFileOpen);
  ASSERT_NE(ui->top_dialog(), nullptr);
  EXPECT_EQ(ui->top_dialog()->caption(), "ファイルを開く");
  EXPECT_NE(ui->screen_text().find("ファイルの種類: *.dat, *.dat.save"), std::string::npos);  // recovery files too
  ui->feed(ui::Event::typed(dir.file("walk")));  // no extension: ".dat" is added
  ui->feed(ui::Event::of(ui::Key::Enter));
  EXPECT_EQ(ui->top_dialog(), nullptr);
  EXPECT_EQ(doc().file_name, walk);
  EXPECT_EQ(doc().channel_titles[0], kCameraSjis);

  ui->command(cmd::kFileSaveAs);  // starts in the file's folder, offering its name
  ASSERT_NE(ui->top_dialog(), nullptr);
  EXPECT_EQ(ui->top_dialog()->edit(100).text(), "walk.dat");
  ui->feed(ui::Event::typed("walk2"));  // replaces the offered name
  ui->feed(ui::Event::of(ui::Key::Enter));
  EXPECT_EQ(ui->top_dialog(), nullptr);
  EXPECT_EQ(doc().file_name, dir.file("walk2.dat"));
  EXPECT_EQ(read_file(dir.file("walk2.dat")), read_file(walk));
}

}  // namespace
}  // namespace klvc
