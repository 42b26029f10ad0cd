#include "app_fixture.h"

#include <sys/stat.h>

#include "link/link.h"
#include "settings/store.h"

namespace klvc::testing {

std::string default_settings_file(const std::vector<std::pair<int, std::string>>& line_overrides) {
  std::vector<std::string> lines;
  for (int c = 0; c < 64; ++c) lines.push_back("s");                  // empty titles
  for (int t = 0; t < 24; ++t) lines.push_back(std::to_string(t));    // alarm input channels
  for (int i = 0; i < 256; ++i) lines.push_back("0");                 // alarm outputs
  for (int i = 0; i < 1024; ++i) lines.push_back("1");                // skip/live: all LIVE
  for (int o = 0; o < 16; ++o) lines.push_back("3");                  // dwell times
  for (int o = 0; o < 16; ++o) lines.push_back(std::to_string(o));    // routes
  for (int o = 0; o < 16; ++o) lines.push_back("1");                  // output title display
  for (int o = 0; o < 16; ++o) lines.push_back("1");                  // date/time display
  for (int c = 0; c < 64; ++c) lines.push_back("1");                  // input title display
  lines.push_back("9");                                               // hold time
  for (int i = 0; i < 9; ++i) lines.push_back("0");                   // 1498..1506
  lines.push_back("573920");
  for (const auto& o : line_overrides) lines.at(static_cast<std::size_t>(o.first - 1)) = o.second;
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

void AppTest::SetUp() {
  reset_whole_store();
  profile = dir.file("config/klvc/klvc.ini");
  ui = ui::Ui::create_headless(100, 30);
}

void AppTest::TearDown() {
  app.reset();
  ui.reset();
  for (int i = 0; i < kComPortCount; ++i) set_port_device(i, "/dev/ttyS" + std::to_string(i));
  reset_whole_store();
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
  frame().set_file_dialogs(
      [this](std::string start, std::function<void(std::string)> done) {
        open_starts.push_back(start);
        std::string answer;
        if (!open_answers.empty()) {
          answer = open_answers.front();
          open_answers.pop_front();
        }
        done(answer);
      },
      [this](std::string start, std::function<void(std::string)> done) {
        save_starts.push_back(start);
        std::string answer;
        if (!save_answers.empty()) {
          answer = save_answers.front();
          save_answers.pop_front();
        }
        done(answer);
      });
}

void AppTest::dismiss_boxes() {
  ui->run_posted();
  for (int guard = 0; guard < 100 && ui->message_box_open(); ++guard) ui->answer_box(1);
  ui->clear_shown_boxes();
}

const ui::ShownBox& AppTest::last_box() {
  static const ui::ShownBox none{};
  return boxes().empty() ? none : boxes().back();
}

}  // namespace klvc::testing
