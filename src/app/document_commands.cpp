// The File menu: New, Open, Save, Save As and exit, with their questions.
#include <unistd.h>

#include <utility>

#include "app/main_frame.h"
#include "app/resource.h"
#include "link/messages.h"
#include "settings/settings_file.h"
#include "settings/store.h"

namespace klvc {

namespace {

// A garbled file can report a problem on every line; the box lists the first ones.
constexpr std::size_t kMaxListedProblems = 12;

bool batch_running() { return store().batch_step != 0; }

std::string base_name(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string problem_report(const std::string& path, const ReadResult& result) {
  const std::string name = base_name(path);
  std::string text = "The settings file " + path + " had " + std::to_string(result.problems.size()) +
                     (result.problems.size() == 1 ? " problem" : " problems") + ":";
  std::size_t shown = 0;
  for (const auto& p : result.problems) {
    if (shown == kMaxListedProblems) break;
    text += "\n" + name + (p.line > 0 ? ":" + std::to_string(p.line) : std::string()) + ": " + p.message;
    ++shown;
  }
  if (result.problems.size() > shown) {
    text += "\n... and " + std::to_string(result.problems.size() - shown) + " more";
  }
  return text;
}

}  // namespace

void CMainFrame::set_file_dialogs(FileDialogFn open_dialog, FileDialogFn save_dialog) {
  open_dialog_ = std::move(open_dialog);
  save_dialog_ = std::move(save_dialog);
}

void CMainFrame::ask_then(const std::string& prompt, std::function<void()> on_yes, std::function<void()> on_no,
                          std::function<void()> on_neither) {
  ui::MessageBoxSpec form;
  form.text = prompt;
  form.caption = kAppName;
  form.icon = ui::MessageIcon::Question;
  form.buttons = ui::MessageButtons::YesNo;
  form.beep = false;
  // Esc closes the question and does nothing else: it is neither Yes nor No.
  ui_.message_box(std::move(form), [yes = std::move(on_yes), no = std::move(on_no),
                                    neither = std::move(on_neither)](int result) {
    const std::function<void()>& run = result == ui::kIdYes ? yes : result == ui::kIdNo ? no : neither;
    if (run) run();
  });
}

void CMainFrame::remember_folder(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return;
  last_folder_ = slash == 0 ? "/" : path.substr(0, slash);
}

std::string CMainFrame::start_folder() const {
  if (!last_folder_.empty()) return last_folder_;
  char buf[4096];
  if (::getcwd(buf, sizeof buf)) return buf;
  return ".";
}

void CMainFrame::file_new() {
  if (batch_running()) return;
  // New keeps `modified`: the titles it clears were never saved.
  auto reset = [] { reset_to_defaults(); };
  if (store().modified) {
    ask_then(kPromptNew, reset);
  } else {
    reset();
  }
}

void CMainFrame::file_open() {
  if (batch_running()) return;
  auto choose = [this] {
    open_dialog_(start_folder(), [this](std::string path) {
      if (path.empty() || batch_running()) return;
      open_settings_file(path);
    });
  };
  if (store().modified) {
    ask_then(kPromptOpen, choose);
  } else {
    choose();
  }
}

bool CMainFrame::open_settings_file(const std::string& path) {
  ReadResult result;
  std::string error;
  if (!read_settings_file(path, &result, &error)) {
    // The file name stays as it was, so a later Save cannot overwrite the
    // file that failed to open with the settings of another.
    show_warning(std::string(kCantFileOpen) + "\n" + error);
    return false;
  }
  store().file_name = path;
  remember_folder(path);
  if (!result.clean()) show_warning(problem_report(path, result));
  return true;
}

bool CMainFrame::save_to(const std::string& path) {
  std::string error;
  std::vector<std::string> notes;
  if (!write_settings_file(path, &error, &notes)) {
    show_warning(std::string(kCantFileOpen) + "\n" + error);
    return false;
  }
  if (!notes.empty()) {
    std::string text = "Saved " + path + " with these changes:";
    for (const auto& n : notes) text += "\n" + n;
    ui::MessageBoxSpec form;
    form.text = std::move(text);
    form.caption = kAppName;
    form.icon = ui::MessageIcon::Information;
    form.beep = false;
    ui_.message_box(std::move(form));
  }
  return true;
}

void CMainFrame::file_save() {
  if (batch_running()) return;
  const std::string path = store().file_name;
  if (path.empty()) {
    show_warning(std::string(kCantFileOpen) + "\nNo file name yet: use 名前を付けて保存 to choose one.");
    return;
  }
  save_to(path);
}

void CMainFrame::choose_and_save_as(std::function<void()> after) {
  save_dialog_(start_folder(), [this, after = std::move(after)](std::string path) {
    if (!path.empty() && !batch_running()) {
      store().file_name = path;
      remember_folder(path);
      save_to(path);
    }
    if (after) after();
  });
}

void CMainFrame::file_save_as() {
  if (batch_running()) return;
  choose_and_save_as();
}

void CMainFrame::exit_check() {
  if (shut_down_ || exit_pending_) return;
  // Every edited title is protected, whatever the current channel's title holds.
  if (!store().modified) {
    shut_down();
    return;
  }
  exit_pending_ = true;
  ask_then(
      kPromptExit,
      [this] {
        exit_pending_ = false;
        shut_down();
      },
      [this] { save_before_exit(); }, [this] { exit_pending_ = false; });
}

void CMainFrame::save_before_exit() {
  // The program stays open either way; a later exit finds `modified` cleared
  // when the save succeeded.
  if (batch_running()) {
    exit_pending_ = false;
    return;
  }
  if (store().file_name.empty()) {
    choose_and_save_as([this] { exit_pending_ = false; });
    return;
  }
  save_to(store().file_name);
  exit_pending_ = false;
}

}  // namespace klvc
