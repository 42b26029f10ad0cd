#include "app_fixture.h"

#include <sys/stat.h>

#include "link/link.h"
#include "settings/store.h"

namespace klvc::testing {

void AppTest::SetUp() {
  profile = dir.file("config/klvc/klvc.ini");
  ui = ui::Ui::create_headless(100, 30);
}

void AppTest::TearDown() {
  if (app) app->link().set_direct_line({});
  app.reset();
  ui.reset();
}

void AppTest::attach(Simulator& sim) {
  Link& l = link();
  l.set_direct_line([&sim, &l](const std::string& bytes) {
    const std::string answer = sim.receive(bytes);
    if (!answer.empty()) l.feed_received(answer.data(), answer.size());
  });
}

void AppTest::start(const std::string& profile_text) {
  std::string text = profile_text.empty() ? std::string("[KLV-C_Section]\n") : profile_text;
  // Every port on a device that does not exist: no test touches real hardware.
  text += std::string("com1_device=") + kMissingDevice + "\n";
  for (int i = 2; i <= kComPortCount; ++i) {
    text += "com" + std::to_string(i) + "_device=" + kMissingDevice + std::to_string(i) + "\n";
  }
  ::mkdir(dir.file("config").c_str(), 0700);
  ::mkdir(dir.file("config/klvc").c_str(), 0700);
  write_file(profile, text);
  app = std::make_unique<CKLVCApp>(*ui);
  StartOptions options;
  options.profile_path = profile;
  options.set_locale = false;
  options.open_file = open_file;
  options.simulator = simulator;
  options.simulated = simulator != nullptr;
  ASSERT_TRUE(app->init_instance(options));
  ui->run_posted();
  if (!scripted_file_dialogs) return;
  frame().set_file_dialogs(
      [this](std::string start, std::function<void(std::string)> done) {
        open_starts.push_back(start);
        done(next_answer(open_answers));
      },
      [this](std::string start, std::function<void(std::string)> done) {
        save_starts.push_back(start);
        done(next_answer(save_answers));
      });
}

void AppTest::dismiss_boxes() {
  ui->run_posted();
  for (int guard = 0; guard < 100 && ui->message_box_open(); ++guard) ui->answer_box(BoxResult::Ok);
  ui->clear_shown_boxes();
}

void AppTest::pick(int list_id, int index) {
  ui->top_dialog()->combo(list_id).select(index);
  ui->top_dialog()->notify(list_id, ui::Notify::SelChange);
}

}  // namespace klvc::testing
