// Start-up, the frame's timers, the status bar, menu routing and the About box.
#include <gtest/gtest.h>

#include <ctime>

#include "dialogs/about_dlg.h"
#include "screen/command_ids.h"
#include "app_fixture.h"
#include "link/link.h"
#include "settings/settings_file.h"
#include "settings/store.h"
#include "support/scoped_env.h"

namespace klvc {
namespace {

using testing::AppTest;
using testing::kMissingDevice;

TEST_F(AppTest, StartUpReadsTheProfileResetsTheStoreAndOpensTheMappedPort) {
  start("[KLV-C_Section]\ncom_port=0\nrs_control=1\nklv_model=3\n");

  EXPECT_EQ(doc().modified, 0);
  EXPECT_EQ(doc().slave_number, 0);
  EXPECT_EQ(doc().current_channel, 0);
  EXPECT_EQ(doc().model_index, 3);
  EXPECT_EQ(doc().interface_mode, 1);
  EXPECT_EQ(doc().com_port_index, 0);
  EXPECT_EQ(doc().output_routes[3], 3);
  EXPECT_EQ(doc().file_name, "");
  EXPECT_EQ(frame().context().ports.device(0), kMissingDevice);

  // The port cannot be opened: five boxes in order, and the program runs on.
  const char* expected[] = {"Miss! File Open", "Miss! Mask Set", "Miss! Buffer Set", "Miss! Time Out Set",
                            "Miss! Set Comm State"};
  ASSERT_EQ(boxes().size(), 5u);
  for (int i = 0; i < 5; ++i) {
    const auto& box = boxes()[static_cast<std::size_t>(i)];
    EXPECT_EQ(box.form.text.rfind(expected[i], 0), 0u) << box.form.text;
    EXPECT_EQ(box.form.caption, "Error");
    EXPECT_EQ(box.form.icon, ui::MessageIcon::Error);
  }
  EXPECT_NE(boxes()[0].form.text.find(kMissingDevice), std::string::npos) << boxes()[0].form.text;
  dismiss_boxes();
  EXPECT_FALSE(ui->quitting());
  EXPECT_TRUE(ui->timer_active(nullptr, cmd::kFrameTimer));
  EXPECT_TRUE(ui->timer_active(nullptr, cmd::kClockTimer));
}

TEST_F(AppTest, OutOfRangeProfileValuesStartOnZero) {
  start("[KLV-C_Section]\ncom_port=7\nrs_control=2\nklv_model=5\n");
  EXPECT_EQ(doc().com_port_index, 0);
  EXPECT_EQ(doc().interface_mode, 0);
  EXPECT_EQ(doc().model_index, 0);
}

TEST_F(AppTest, SettingsFileNamedAtStartIsLoaded) {
  open_file = dir.file("start.dat");
  testing::write_file(open_file, testing::default_settings_file({{1497, "30"}}));
  start();
  EXPECT_EQ(doc().alarm_hold_time, 30);
  EXPECT_EQ(doc().file_name, open_file);
  EXPECT_EQ(doc().modified, 0);
}

TEST_F(AppTest, NoAnswerIsReportedOnTheSeventhTickOfTheFrameTimer) {
  start();
  dismiss_boxes();
  link().set_direct_line([](const std::string&) {});  // the line goes nowhere
  link().send_command("O01I01\r\n");
  ui->advance(3000);  // six ticks
  ui->run_posted();
  EXPECT_TRUE(boxes().empty());
  ui->advance(500);
  ui->run_posted();
  link().set_direct_line({});
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].form.text, "No Connect");
  EXPECT_EQ(boxes()[0].form.caption, "Error");
}

TEST(ClockText, LocalTimeInTheLocalesForm) {
  testing::ScopedEnv tz("TZ", "UTC");
  EXPECT_EQ(clock_text(3600 * 13 + 60 * 2 + 3), "13:02:03");
}

TEST_F(AppTest, ClockPaneFollowsTheOneSecondTimer) {
  start();
  dismiss_boxes();
  std::time_t now = 1000;
  frame().set_time_source([&now] { return now; });
  const int pane = frame().clock_pane_index();
  ASSERT_GT(pane, 0);
  now = 2000;
  ui->advance(1000);
  EXPECT_EQ(ui->status_text(pane), clock_text(2000));
  EXPECT_EQ(frame().status_panes()[static_cast<std::size_t>(pane)].width,
            static_cast<int>(clock_text(2000).size()));
  now = 2001;
  ui->advance(999);
  EXPECT_EQ(ui->status_text(pane), clock_text(2000));
  ui->advance(1);
  EXPECT_EQ(ui->status_text(pane), clock_text(2001));
}

TEST_F(AppTest, AboutBoxOpensAnyNumberOfTimesAndChangesNothing) {
  start();
  dismiss_boxes();
  doc().output_routes[4] = 20;
  std::string before, error;
  ASSERT_TRUE(settings_file_text(doc(), doc().model_index, &before, &error));
  for (int i = 0; i < 3; ++i) {
    ui->command(cmd::kAppAbout);
    ASSERT_EQ(ui->dialog_depth(), 1);
    ui::Dialog* d = ui->top_dialog();
    EXPECT_EQ(d->caption(), "KLVCのﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(d->label(CAboutDlg::kIdVersionText).text(), "KLVC Version 2.10");
    if (i == 1) {
      ui->feed(ui::Event::of(ui::Key::Escape));
    } else {
      d->click(ui::kIdOk);
    }
    ui->run_posted();
    EXPECT_EQ(ui->dialog_depth(), 0);
  }
  std::string after;
  ASSERT_TRUE(settings_file_text(doc(), doc().model_index, &after, &error));
  EXPECT_EQ(before, after);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(AppTest, MenuOpensTheTitleDialogAndOkKeepsItsChoices) {
  start("[KLV-C_Section]\nklv_model=4\n");
  dismiss_boxes();
  ui->command(cmd::kTitleSet);
  ASSERT_NE(ui->top_dialog(), nullptr);
  pick(1002, 40);
  pick(1003, 12);
  ui->top_dialog()->click(ui::kIdOk);
  ui->run_posted();
  EXPECT_EQ(ui->dialog_depth(), 0);
  EXPECT_EQ(doc().current_channel, 40);
  EXPECT_EQ(doc().slave_number, 12);
}

TEST_F(AppTest, MenuOpensTheModelDialogOkWritesTheProfileCloseDoesNot) {
  start("[KLV-C_Section]\ncom_port=2\nklv_model=1\n");
  dismiss_boxes();
  doc().output_routes[7] = 30;
  ui->command(cmd::kModelSelect);
  ASSERT_NE(ui->top_dialog(), nullptr);
  pick(1007, 3);
  ui->top_dialog()->click(ui::kIdCancel);
  ui->run_posted();
  EXPECT_EQ(doc().model_index, 3);  // the list acts at once
  EXPECT_NE(testing::read_file(profile).find("klv_model=1\n"), std::string::npos);

  ui->command(cmd::kModelSelect);
  ASSERT_NE(ui->top_dialog(), nullptr);
  pick(1007, 2);
  ui->top_dialog()->click(ui::kIdOk);
  ui->run_posted();
  EXPECT_EQ(doc().model_index, 2);
  EXPECT_EQ(doc().output_routes[7], 30);  // the arrays stay as they were
  const std::string text = testing::read_file(profile);
  EXPECT_NE(text.find("klv_model=2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("com_port=2\n"), std::string::npos) << text;
  EXPECT_NE(text.find(std::string("com1_device=") + kMissingDevice), std::string::npos) << text;
}

TEST_F(AppTest, MenuOpensTheCommDialogAndEveryOkRestartsTheLink) {
  start("[KLV-C_Section]\ncom_port=0\n");
  dismiss_boxes();
  // OK without a change: the port is reopened (the missing device reported
  // again) and the profile written.
  ui->command(cmd::kCommSettings);
  ASSERT_NE(ui->top_dialog(), nullptr);
  ui->top_dialog()->click(ui::kIdOk);
  ui->run_posted();
  EXPECT_EQ(boxes().size(), 5u);
  EXPECT_NE(testing::read_file(profile).find("rs_control=0\n"), std::string::npos);
  dismiss_boxes();

  ui->command(cmd::kCommSettings);
  ASSERT_NE(ui->top_dialog(), nullptr);
  pick(1000, 3);
  pick(1001, 1);
  ui->top_dialog()->click(ui::kIdOk);
  ui->run_posted();
  EXPECT_EQ(doc().com_port_index, 3);
  EXPECT_EQ(doc().interface_mode, 1);
  ASSERT_EQ(boxes().size(), 5u);
  EXPECT_NE(boxes()[0].form.text.find(std::string(kMissingDevice) + "4"), std::string::npos);
  const std::string text = testing::read_file(profile);
  EXPECT_NE(text.find("com_port=3\n"), std::string::npos) << text;
  EXPECT_NE(text.find("rs_control=1\n"), std::string::npos) << text;
}

TEST_F(AppTest, AProfileThatCannotBeWrittenIsReported) {
  start();
  dismiss_boxes();
  ::unlink(profile.c_str());
  ::mkdir(profile.c_str(), 0700);  // a folder in the file's place
  frame().model_dialog_ok(2);
  EXPECT_EQ(doc().model_index, 2);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_NE(boxes()[0].form.text.find(profile), std::string::npos) << boxes()[0].form.text;
}

}  // namespace
}  // namespace klvc
