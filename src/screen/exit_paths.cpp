// The ways out that do not start from the File menu: Ctrl+C (or SIGINT)
// while a batch runs, and SIGTERM, SIGHUP or a lost terminal, which end the
// program without a question and keep edited titles in a recovery file.
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include "screen/main_frame.h"
#include "profile/profile.h"
#include "settings/settings_file.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {

namespace {

bool path_exists(const std::string& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0;
}

const char* signal_name(int sig) {
  switch (sig) {
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP (the terminal went away)";
    default: return "a signal";
  }
}

}  // namespace

std::string recovery_state_dir() { return state_folder(); }

std::vector<std::string> recovery_file_candidates(const std::string& file_name, const std::string& state_dir,
                                                  std::time_t now) {
  std::vector<std::string> out;
  auto first_free = [&](const std::string& base) {
    for (int n = 1; n <= 99; ++n) {
      const std::string p = n == 1 ? base : base + "." + std::to_string(n);
      if (!path_exists(p)) {
        out.push_back(p);
        return;
      }
    }
  };
  if (!file_name.empty()) first_free(file_name + ".save");
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  if (!state_dir.empty()) first_free(state_dir + "/unsaved-" + stamp + ".dat.save");
  return out;
}

std::string CMainFrame::run_progress_text() const {
  if (!batch_running()) return {};
  const ui::Dialog* d = ui_.top_dialog();
  if (d == nullptr) return "送信中";
  std::string name = d->caption();
  name = name.substr(0, name.find(" File Name"));
  for (const auto& c : d->controls()) {
    if (const auto* bar = dynamic_cast<const ui::ProgressBar*>(c.get()); bar != nullptr && bar->hi() > bar->lo()) {
      return name + ": " + std::to_string(bar->pos()) + "/" + std::to_string(bar->hi());
    }
  }
  return name;
}

void CMainFrame::on_close_request() {
  if (shut_down_ || exit_pending_) return;
  const std::string progress = run_progress_text();
  if (progress.empty()) {
    exit_check();
    return;
  }
  exit_pending_ = true;
  auto stay = [this] { exit_pending_ = false; };
  ask_then(
      "送信の途中です（" + progress + " まで）。\n送信を止めて終了しますか？",
      [this] {
        exit_pending_ = false;
        // Closing the dialogs ends their runs cleanly; then the usual exit check.
        while (ui::Dialog* d = ui_.top_dialog()) d->end_dialog(ui::kIdCancel);
        exit_check();
      },
      stay, stay, true);
}

void CMainFrame::on_terminate(int signal_number) {
  if (shut_down_) return;
  terminated_by_ = signal_number;
  const std::string progress = run_progress_text();
  if (!progress.empty()) exit_report_.push_back(std::string("the run was cut short at ") + progress);
  if (doc_.modified) write_recovery_file();
  // Closing the dialogs ends their runs, which the log then records as stopped.
  if (!progress.empty()) {
    while (ui::Dialog* d = ui_.top_dialog()) d->end_dialog(ui::kIdCancel);
  }
  exit_report_.insert(exit_report_.begin(), std::string("ended by ") + signal_name(signal_number));
  shut_down();
}

void CMainFrame::write_recovery_file() {
  Disk& disk = *disk_;
  std::string last_error = "no free file name";
  for (const std::string& path : recovery_file_candidates(doc_.file_name, recovery_state_dir(), now_())) {
    if (!make_folders(disk, folder_of(path), &last_error)) continue;
    // Claimed first, so that nothing that exists is ever written over.
    const int fd = disk.create_new(path, 0600);
    if (fd < 0) {
      last_error = "cannot create " + path + ": " + std::strerror(errno);
      continue;
    }
    disk.close(fd);
    std::string error;
    if (write_settings_file(disk, doc_, doc_.model_index, path, &error)) {
      doc_.modified = 0;
      exit_report_.push_back("the edited titles were not saved; the settings are in " + path +
                             " (open it with ファイル > 開く or 'klvc " + path +
                             "', then save it under a name of your own with 名前を付けて保存)");
      return;
    }
    disk.remove(path);
    last_error = error;
  }
  exit_report_.push_back("the edited titles were not saved and could not be kept: " + last_error);
}

}  // namespace klvc
