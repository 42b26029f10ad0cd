// The main window: menu routing, toolbar, status bar with its clock, the
// half-second timer of the no-connect check, the document commands and the
// orderly shut-down of the link and the loop.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "common/port_map.h"
#include "screen/dialog_commands.h"
#include "settings/disk.h"
#include "ui/menu.h"
#include "ui/ui.h"

namespace klvc {

// The file dialogs: the screen's own, replaceable in tests. `start_dir` is the
// folder to list first; `done` gets the chosen path, or "" when cancelled.
using FileDialogFn = std::function<void(std::string start_dir, std::function<void(std::string)> done)>;

// The import and export dialogs: the file dialogs with other files listed.
struct FileDialogRequest {
  bool save = false;
  std::string caption;
  std::string start_dir;
  std::string initial_name;
  std::vector<std::string> extensions;  // listed; the first is added to a name typed without one
};
using TransferDialogFn = std::function<void(FileDialogRequest request, std::function<void(std::string)> done)>;

class CMainFrame {
 public:
  // Start-up before the window exists: clears modified, slave_number and
  // current_channel of `doc`, reads the profile at `profile_path` into `doc`
  // and `ports`, resets the settings to their defaults, opens `link` and
  // starts its reader thread. The three belong to the application and must
  // outlive the frame. A `device` given is opened in place of the COM port's
  // (the simulated switcher's pseudo-terminal), now and at every restart.
  CMainFrame(ui::Ui& ui, std::string profile_path, SettingsStore& doc, Link& link, PortMap& ports,
             std::string device = {});
  ~CMainFrame();
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // Menu, toolbar, status bar, the clock timer and the frame timer.
  void on_create();

  // Routes a menu or toolbar command (greyed commands do nothing).
  void on_command(int command);
  bool command_enabled(int command) const;

  // Document commands of the File menu.
  void file_new();
  void file_open();
  void file_save();
  void file_save_as();
  void exit_check();       // menu exit and every close request of the window
  void save_before_exit();
  // The settings as text: import a text or titles CSV onto the current
  // settings, export them as text or the titles as CSV.
  void file_import();
  void file_export(bool titles);
  // Applies a text or titles CSV to the document; errors shown with their lines.
  bool import_text_file(const std::string& path);
  // Loads a settings file (File Open after its dialog, and `klvc FILE.dat`).
  // The current file name changes only when the file could be read.
  bool open_settings_file(const std::string& path);

  // Kills the frame's timers, stops the link and ends the loop.
  void shut_down();
  bool is_shut_down() const { return shut_down_; }

  // Ctrl+C and SIGINT: while a batch or 全項目設定 runs, first asks whether to
  // stop it and leave (saying how far it got); then the exit check.
  void on_close_request();
  // SIGTERM, SIGHUP, a lost terminal: ends without a question. Edited titles
  // that were not saved go to a recovery file first (recovery_file_candidates).
  void on_terminate(int signal_number);
  // What to tell on stderr once the terminal is given back (the recovery
  // file, a run cut short); empty when there is nothing to tell.
  const std::vector<std::string>& exit_report() const { return exit_report_; }
  int terminated_by() const { return terminated_by_; }  // the signal, 0 if none
  // How far the running batch got ("出力切換え設定: 3/8"), or "" when none runs.
  std::string run_progress_text() const;

  // One tick of the 500 ms frame timer: the no-connect check.
  void on_frame_timer();
  // Clock pane: the local time as the locale writes it.
  void update_clock_pane();

  // Steps after a dialog closed with OK.
  // Title: the dialog's slave number and channel into the document, the main
  // window as the owner of later boxes.
  void title_dialog_ok(int channel, int slave);
  // Model: model_index and the profile key "klv_model".
  void model_dialog_ok(int model);
  // Communication: port and interface into the document, the link restarted
  // (also when nothing changed), then the profile keys "com_port" and "rs_control".
  void comm_dialog_ok(int port, int interface_mode);

  // Runs after each of the three steps above, once the document holds the new
  // setup (the screen's built-in simulated switcher follows it).
  void set_setup_listener(std::function<void()> fn) { setup_listener_ = std::move(fn); }

  void set_about_handler(std::function<void()> fn) { about_ = std::move(fn); }
  void set_file_dialogs(FileDialogFn open_dialog, FileDialogFn save_dialog);
  void set_transfer_dialog(TransferDialogFn dialog) { transfer_dialog_ = std::move(dialog); }
  void set_time_source(std::function<std::time_t()> now) { now_ = std::move(now); }
  // Where saves, exports, the profile and the recovery file are written (the
  // system's disk unless a test hands in another); it must outlive the frame.
  void set_disk(Disk& disk) { disk_ = &disk; }
  // A note on the status bar, after the clock ("simulated switcher").
  void set_mode_note(std::string note);

  const std::vector<ui::StatusPane>& status_panes() const { return panes_; }
  int clock_pane_index() const { return clock_pane_; }
  const std::string& last_folder() const { return last_folder_; }
  const std::string& profile_path() const { return profile_path_; }
  // What the dialogs are handed: the document, the link and the port map.
  const DialogContext& context() const { return ctx_; }

 private:
  void run_dialog(const DialogCommand& dc);
  // A Yes/No question; Esc (neither) runs `on_neither`. With `no_by_default`,
  // Enter answers No (a stray Enter must not discard anything).
  void ask_then(const std::string& prompt, std::function<void()> on_yes, std::function<void()> on_no = {},
                std::function<void()> on_neither = {}, bool no_by_default = false);
  void write_recovery_file();
  void choose_and_save_as(std::function<void()> after = {});
  bool save_to(const std::string& path);
  void write_profile(const std::vector<std::pair<std::string, int>>& values);
  void remember_folder(const std::string& path);
  std::string start_folder() const;
  void publish_panes();
  bool batch_running() const { return link_.status().batch_step != 0; }
  // The link as the document says: its COM port through the port map (or
  // the device given at start), its interface and its slave number.
  LinkSetup link_setup() const;

  ui::Ui& ui_;
  SettingsStore& doc_;
  Link& link_;
  PortMap& ports_;
  DialogContext ctx_;
  std::string device_;
  int clock_pane_ = 1;
  std::vector<ui::StatusPane> panes_;
  std::string profile_path_;
  std::string last_folder_;
  std::function<void()> about_;
  std::function<void()> setup_listener_;
  FileDialogFn open_dialog_;
  FileDialogFn save_dialog_;
  TransferDialogFn transfer_dialog_;
  std::function<std::time_t()> now_;
  Disk* disk_ = &system_disk();
  bool exit_pending_ = false;  // an exit prompt or its save is on screen
  bool shut_down_ = false;
  int terminated_by_ = 0;
  std::vector<std::string> exit_report_;
};

// Where unsaved settings go when the program is ended from outside: beside
// the open file as NAME.dat.save (NAME.dat.save.2 ... when taken), or, with
// no file or no room there, under `state_dir` as unsaved-YYYYmmdd-HHMMSS.dat.save.
// Never a path that exists. Empty when none is free.
std::vector<std::string> recovery_file_candidates(const std::string& file_name, const std::string& state_dir,
                                                  std::time_t now);
// $XDG_STATE_HOME/klvc, else ~/.local/state/klvc; "" without a home folder.
std::string recovery_state_dir();

// The clock pane's text: `t` as local time in the locale's "%X" form, or
// HH:MM:SS when the locale's form cannot be shown.
std::string clock_text(std::time_t t);

}  // namespace klvc
