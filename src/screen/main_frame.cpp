#include "screen/main_frame.h"

#include <utility>

#include "screen/command_ids.h"
#include "profile/profile.h"
#include "screen/resource.h"
#include "common/base_name.h"
#include "link/link.h"
#include "link/messages.h"
#include "settings/store.h"
#include "ui/text_width.h"

namespace klvc {

namespace {

bool valid_utf8(const std::string& s) {
  for (char32_t c : ui::decode_utf8(s)) {
    if (c == 0xFFFD) return false;
  }
  return true;
}

}  // namespace

std::string clock_text(std::time_t t) {
  std::tm local{};
  if (!::localtime_r(&t, &local)) return "--:--:--";
  char buf[64];
  std::size_t n = std::strftime(buf, sizeof buf, "%X", &local);
  std::string s(buf, n);
  // A locale whose time text is not UTF-8 would garble the status bar.
  if (s.empty() || !valid_utf8(s)) {
    n = std::strftime(buf, sizeof buf, "%H:%M:%S", &local);
    s.assign(buf, n);
  }
  return s;
}

CMainFrame::CMainFrame(ui::Ui& ui, std::string profile_path)
    : ui_(ui), profile_path_(std::move(profile_path)), now_([] { return std::time(nullptr); }) {
  SettingsStore& s = store();
  s.modified = 0;
  s.slave_number = 0;
  s.current_channel = 0;
  std::vector<std::string> notes;
  set_default_port_map(load_profile(profile_path_, store(), &notes));
  for (const std::string& note : notes) show_warning("The settings profile was not used as it is.\n" + note);
  reset_to_defaults();
  // The no-answer limit runs on the screen's clock, as its timer does.
  set_link_clock([&ui] { return ui.clock().now_ms(); });
  open_port();
  start_reader();

  open_dialog_ = [this](std::string dir, std::function<void(std::string)> done) {
    // Recovery files (*.dat.save, kept at an unplanned exit) open like settings files.
    ui_.file_open_dialog(std::move(dir), std::move(done), {"dat", "dat.save"});
  };
  save_dialog_ = [this](std::string dir, std::function<void(std::string)> done) {
    // The current file's name is the likely answer; the question before
    // overwriting carries the application's name.
    const std::string& current = store().file_name;
    ui_.file_save_dialog(std::move(dir), std::move(done), base_name(current), kAppName);
  };
  transfer_dialog_ = [this](FileDialogRequest r, std::function<void(std::string)> done) {
    if (r.save) {
      ui_.file_save_dialog(std::move(r.start_dir), std::move(done), std::move(r.initial_name), kAppName,
                           std::move(r.extensions), std::move(r.caption));
    } else {
      ui_.file_open_dialog(std::move(r.start_dir), std::move(done), std::move(r.extensions), std::move(r.caption));
    }
  };
}

CMainFrame::~CMainFrame() { set_link_clock({}); }

void CMainFrame::on_create() {
  ui_.set_title(kMainWindowTitle);
  ui_.set_menu(main_menu());
  ui_.set_toolbar(toolbar_buttons());
  ui_.set_accelerators(accelerators());

  panes_.clear();
  // The message pane, then the clock. The keyboard-state indicators (kana,
  // caps, num and scroll lock) are left out: a terminal cannot tell those
  // states, so their panes could only ever stay blank.
  panes_.push_back({kIdleText, 0});
  clock_pane_ = static_cast<int>(panes_.size());
  panes_.push_back({resource_string(cmd::kIndicatorClock), 0});
  panes_.back().width = ui::display_width(panes_.back().text);
  publish_panes();

  ui_.set_command_handler([this](int id) { on_command(id); });
  ui_.set_command_enabled_query([this](int id) { return command_enabled(id); });
  ui_.set_command_prompt_query([](int id) { return command_prompt(id); });
  ui_.set_close_handler([this] { on_close_request(); });
  ui_.set_terminate_handler([this](int signal_number) { on_terminate(signal_number); });

  ui_.set_timer(nullptr, cmd::kClockTimer, cmd::kClockTimerPeriodMs, [this] { update_clock_pane(); });
  ui_.set_timer(nullptr, cmd::kFrameTimer, cmd::kFrameTimerPeriodMs, [this] { on_frame_timer(); });
  update_clock_pane();
}

void CMainFrame::publish_panes() {
  ui_.set_status_panes(panes_);
}

void CMainFrame::set_mode_note(std::string note) {
  const std::size_t note_index = static_cast<std::size_t>(clock_pane_) + 1;
  if (panes_.size() <= note_index) panes_.resize(note_index + 1);
  panes_[note_index].width = ui::display_width(note);
  panes_[note_index].text = std::move(note);
  publish_panes();
}

void CMainFrame::update_clock_pane() {
  std::string text = clock_text(now_());
  auto& pane = panes_.at(static_cast<std::size_t>(clock_pane_));
  const int width = ui::display_width(text);
  if (pane.width != width) {
    pane.width = width;
    pane.text = text;
    publish_panes();
  } else {
    pane.text = text;
    ui_.set_status_text(clock_pane_, std::move(text));
  }
}

void CMainFrame::on_frame_timer() { no_connect_check(); }

bool CMainFrame::command_enabled(int command) const {
  if (const DialogCommand* dc = find_dialog_command(command)) return static_cast<bool>(dc->create);
  switch (command) {
    case cmd::kFileNew: case cmd::kFileOpen: case cmd::kFileSave: case cmd::kFileSaveAs:
    case cmd::kFileImport: case cmd::kFileExportText: case cmd::kFileExportTitles:
    case cmd::kStdFileNew: case cmd::kStdFileOpen: case cmd::kStdFileSave:
    case cmd::kAppExit:
      return true;
    case cmd::kAppAbout:
      return static_cast<bool>(about_);
    default:
      return false;
  }
}

void CMainFrame::on_command(int command) {
  if (shut_down_ || !command_enabled(command)) return;
  switch (command) {
    // The keyboard's New, Open and Save run the same handlers as the menu, so
    // the prompts guard edited titles and nothing writes an empty file.
    case cmd::kFileNew: case cmd::kStdFileNew: file_new(); return;
    case cmd::kFileOpen: case cmd::kStdFileOpen: file_open(); return;
    case cmd::kFileSave: case cmd::kStdFileSave: file_save(); return;
    case cmd::kFileSaveAs: file_save_as(); return;
    case cmd::kFileImport: file_import(); return;
    case cmd::kFileExportText: file_export(false); return;
    case cmd::kFileExportTitles: file_export(true); return;
    case cmd::kAppExit: exit_check(); return;
    case cmd::kAppAbout: about_(); return;
    default: break;
  }
  if (const DialogCommand* dc = find_dialog_command(command)) run_dialog(*dc);
}

void CMainFrame::run_dialog(const DialogCommand& dc) {
  std::unique_ptr<ui::Dialog> dialog = dc.create();
  if (!dialog) return;
  auto step = dc.after_ok;
  ui_.open_modal(std::move(dialog), [this, step](ui::Dialog& d, int result) {
    if (result == ui::kIdOk && step) step(*this, d);
  });
}

void CMainFrame::title_dialog_ok(int channel, int slave) {
  SettingsStore& s = store();
  if (channel >= 0 && channel < kMaxInputs) s.current_channel = channel;
  if (slave >= 0 && slave <= 31) s.slave_number = slave;
  if (setup_listener_) setup_listener_();
}

void CMainFrame::model_dialog_ok(int model) {
  if (model < 0 || model >= kModelCount) return;
  store().model_index = model;
  if (setup_listener_) setup_listener_();
  write_profile({{kKeyModel, model}});
}

void CMainFrame::comm_dialog_ok(int port, int interface_mode) {
  SettingsStore& s = store();
  // The lists hold only valid entries; anything else keeps the value in force.
  if (port >= 0 && port < kComPortCount) s.com_port_index = port;
  if (interface_mode == 0 || interface_mode == 1) s.interface_mode = interface_mode;
  if (setup_listener_) setup_listener_();
  restart_link();
  write_profile({{kKeyComPort, s.com_port_index}, {kKeyRsControl, s.interface_mode.load()}});
}

void CMainFrame::write_profile(const std::vector<std::pair<std::string, int>>& values) {
  std::string error;
  if (!write_profile_ints(*disk_, profile_path_, values, &error)) {
    show_warning("The settings profile was not saved.\n" + error);
  }
}

void CMainFrame::shut_down() {
  if (shut_down_) return;
  shut_down_ = true;
  ui_.kill_timer(nullptr, cmd::kFrameTimer);
  ui_.kill_timer(nullptr, cmd::kClockTimer);
  stop_link();
  ui_.quit();
}

}  // namespace klvc
