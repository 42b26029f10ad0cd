// A started application on the headless screen: profile in a temporary
// folder with COM1 mapped to a device that does not exist, the port boxes of
// start-up answered, and file dialogs that answer from a script.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "screen/app.h"
#include "sim/simulator.h"
#include "support/files.h"
#include "support/settings_lines.h"
#include "ui/ui.h"

namespace klvc::testing {

constexpr const char* kMissingDevice = "/nonexistent/klvc-test-tty";

// The next scripted answer of a file dialog; "" (cancelled) when none is left.
inline std::string next_answer(std::deque<std::string>& answers) {
  if (answers.empty()) return "";
  std::string answer = answers.front();
  answers.pop_front();
  return answer;
}

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the application; the profile text is written first when given.
  void start(const std::string& profile_text = "");
  CMainFrame& frame() { return app->frame(); }
  // The started application's document and link.
  SettingsStore& doc() { return app->doc(); }
  Link& link() { return app->link(); }
  // Routes the link's lines straight into `sim` and its answers back, on
  // this thread, until the application goes.
  void attach(Simulator& sim);

  // Answers every open box with OK and forgets the boxes shown so far.
  void dismiss_boxes();
  // Boxes shown since the last dismiss_boxes / clear.
  const std::vector<ui::ShownBox>& boxes() { return ui->shown_boxes(); }
  // What the operator does with a drop-down list of the dialog on top: pick entry `index`.
  void pick(int list_id, int index);

  TempDir dir;
  std::string profile;
  std::string open_file;  // given to start-up as `klvc FILE.dat` would
  SimulatedPort* simulator = nullptr;  // as `klvc --simulate` gives it
  std::unique_ptr<ui::Ui> ui;
  std::unique_ptr<CKLVCApp> app;

  // Scripted file dialogs: each call takes the next answer ("" = cancel).
  // False before start(): the program's own file dialogs stay in place.
  bool scripted_file_dialogs = true;
  std::deque<std::string> open_answers;
  std::deque<std::string> save_answers;
  std::vector<std::string> open_starts;  // folder each Open dialog started in
  std::vector<std::string> save_starts;
};

}  // namespace klvc::testing
