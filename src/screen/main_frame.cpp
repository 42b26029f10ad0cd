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

CMainFrame::CMainFrame(ui::Ui& ui, std::string profile_path, SettingsStore& doc, Link& link, PortMap& ports,
                       std::string device)
    : ui_(ui),
      doc_(doc),
      link_(link),
      ports_(ports),
      ctx_{doc, link, ports},
      device_(std::move(device)),
      profile_path_(std::move(profile_path)),
      now_([] { return std::time(nullptr); }) {
  doc_.modified = 0;
  doc_.slave_number = 0;
  doc_.current_channel = 0;
  std::vector<std::string> notes;
  ports_ = load_profile(profile_path_, doc_, &notes);
  for (const std::string& note : notes) show_warning("The settings profile was not used as it is.\n" + note);
  doc_.file_name.clear();
  reset_to_defaults(doc_);
  // The no-answer limit runs on the screen's clock, as its timer does.
  link_.set_clock([&ui] { return ui.clock().now_ms(); });
  link_.open(link_setup());
  link_.start_reader();

  open_dialog_ = [this](std::string dir, std::function<void(std::string)> done) {
    // Recovery files (*.dat.save, kept at an unplanned exit) open like settings files.
    ui_.file_open_dialog(std::move(dir), std::move(done), {"dat", "dat.save"});
  };
  save_dialog_ = [this](std::string dir, std::function<void(std::string)> done) {
    // The current file's name is the likely answer; the question before
    // overwriting carries the application's name.
    const std::string& current = doc_.file_name;
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

CMainFrame::~CMainFrame() { link_.set_clock({}); }

LinkSetup CMainFrame::link_setup() const {
  LinkSetup setup;
  setup.com_index = doc_.com_port_index;
  setup.device = device_.empty() ? ports_.device(doc_.com_port_index) : device_;
  setup.interface_mode = doc_.interface_mode.load();
  setup.slave_number = doc_.slave_number.load();
  return setup;
}

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

void CMainFrame::on_frame_timer() { link_.no_connect_check(); }

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
  std::unique_ptr<ui::Dialog> dialog = dc.create(ctx_);
  if (!dialog) return;
  auto step = dc.after_ok;
  ui_.open_modal(std::move(dialog), [this, step](ui::Dialog& d, int result) {
    if (result == ui::kIdOk && step) step(*this, d);
  });
}

void CMainFrame::title_dialog_ok(int channel, int slave) {
  if (channel >= 0 && channel < kMaxInputs) doc_.current_channel = channel;
  if (slave >= 0 && slave <= 31) doc_.slave_number = slave;
  if (setup_listener_) setup_listener_();
}

void CMainFrame::model_dialog_ok(int model) {
  if (model < 0 || model >= kModelCount) return;
  doc_.model_index = model;
  if (setup_listener_) setup_listener_();
  write_profile({{kKeyModel, model}});
}

void CMainFrame::comm_dialog_ok(int port, int interface_mode) {
  // The lists hold only valid entries; anything else keeps the value in force.
  if (port >= 0 && port < kComPortCount) doc_.com_port_index = port;
  if (interface_mode == 0 || interface_mode == 1) doc_.interface_mode = interface_mode;
  if (setup_listener_) setup_listener_();
  link_.restart(link_setup());
  write_profile({{kKeyComPort, doc_.com_port_index}, {kKeyRsControl, doc_.interface_mode.load()}});
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
  link_.stop();
  ui_.quit();
}

}  // namespace klvc
