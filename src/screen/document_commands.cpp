// The File menu: New, Open, Save, Save As, import, export and exit, with
// their questions.
#include <unistd.h>

#include <utility>

#include "screen/main_frame.h"
#include "screen/resource.h"
#include "common/base_name.h"
#include "link/messages.h"
#include "commands/title_commands.h"
#include "settings/settings_file.h"
#include "settings/settings_source.h"
#include "settings/store.h"

namespace klvc {

namespace {

// A garbled file can report a problem on every line; the box lists the first ones.
constexpr std::size_t kMaxListedProblems = 12;

// A heading and the first lines of a list, with how many more there are.
std::string listing(std::string heading, const std::vector<std::string>& lines) {
  std::size_t shown = 0;
  for (const auto& l : lines) {
    if (shown == kMaxListedProblems) break;
    heading += "\n" + l;
    ++shown;
  }
  if (lines.size() > shown) heading += "\n... and " + std::to_string(lines.size() - shown) + " more";
  return heading;
}

std::vector<std::string> located_lines(const std::string& path, const std::vector<FileProblem>& problems) {
  std::vector<std::string> out;
  for (const auto& p : problems) out.push_back(located(base_name(path), p));
  return out;
}

std::string problem_report(const std::string& path, const ReadResult& result) {
  return listing("The settings file " + path + " had " + std::to_string(result.problems.size()) +
                     (result.problems.size() == 1 ? " problem" : " problems") + ":",
                 located_lines(path, result.problems));
}

// The file's name with the extension `ext` in place of its own, for an export's name field.
std::string export_name(const std::string& path, const std::string& ext) {
  std::string name = base_name(path);
  if (name.empty()) return name;
  const auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name + "." + ext;
}

}  // namespace

void CMainFrame::set_file_dialogs(FileDialogFn open_dialog, FileDialogFn save_dialog) {
  open_dialog_ = std::move(open_dialog);
  save_dialog_ = std::move(save_dialog);
}

void CMainFrame::ask_then(const std::string& prompt, std::function<void()> on_yes, std::function<void()> on_no,
                          std::function<void()> on_neither, bool no_by_default) {
  ui::MessageBoxSpec form;
  form.text = prompt;
  form.caption = kAppName;
  form.icon = ui::MessageIcon::Question;
  form.buttons = ui::MessageButtons::YesNo;
  form.beep = false;
  form.default_no = no_by_default;
  // Esc closes the question and does nothing else: it is neither Yes nor No.
  ui_.message_box(std::move(form), [yes = std::move(on_yes), no = std::move(on_no),
                                    neither = std::move(on_neither)](BoxResult result) {
    const std::function<void()>& run = result == BoxResult::Yes ? yes : result == BoxResult::No ? no : neither;
    if (run) run();
  });
}

void CMainFrame::remember_folder(const std::string& path) {
  if (path.find('/') != std::string::npos) last_folder_ = folder_of(path);
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
  auto reset = [this] {
    doc_.file_name.clear();
    reset_to_defaults(doc_);
  };
  if (doc_.modified) {
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
  if (doc_.modified) {
    ask_then(kPromptOpen, choose);
  } else {
    choose();
  }
}

bool CMainFrame::open_settings_file(const std::string& path) {
  ReadResult result;
  std::string error;
  if (!read_settings_file(doc_, doc_.model_index, path, &result, &error)) {
    // The file name stays as it was, so a later Save cannot overwrite the
    // file that failed to open with the settings of another.
    show_warning(std::string(kCantFileOpen) + "\n" + error);
    return false;
  }
  doc_.modified = 0;
  doc_.file_name = path;
  remember_folder(path);
  if (!result.clean()) show_warning(problem_report(path, result));
  return true;
}

bool CMainFrame::save_to(const std::string& path) {
  std::string error;
  std::vector<std::string> notes;
  if (!write_settings_file(*disk_, doc_, doc_.model_index, path, &error, &notes)) {
    show_warning(std::string(kCantFileOpen) + "\n" + error);
    return false;
  }
  doc_.modified = 0;
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
  const std::string path = doc_.file_name;
  if (path.empty()) {
    show_warning(std::string(kCantFileOpen) + "\nNo file name yet: use 名前を付けて保存 to choose one.");
    return;
  }
  save_to(path);
}

void CMainFrame::choose_and_save_as(std::function<void()> after) {
  save_dialog_(start_folder(), [this, after = std::move(after)](std::string path) {
    if (!path.empty() && !batch_running()) {
      doc_.file_name = path;
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

void CMainFrame::file_import() {
  if (batch_running()) return;
  FileDialogRequest request;
  request.caption = "インポート";
  request.start_dir = start_folder();
  request.extensions = {"txt", "csv"};
  transfer_dialog_(std::move(request), [this](std::string path) {
    if (path.empty() || batch_running()) return;
    import_text_file(path);
  });
}

bool CMainFrame::import_text_file(const std::string& path) {
  if (is_settings_file_name(path)) {
    show_warning(path + " is a settings file: open it with 開く. インポート reads the text or the titles CSV "
                 "that エクスポート writes.");
    return false;
  }
  std::string bytes;
  std::string error;
  if (!read_small_file(path, &bytes, &error)) {
    show_warning(std::string(kCantFileOpen) + "\n" + error);
    return false;
  }
  remember_folder(path);
  const TextImport result = import_settings_text(doc_, doc_.model_index, bytes, title_problem);
  if (!result.errors.empty()) {
    const std::size_t n = result.errors.size();
    show_warning(listing("Nothing was imported: " + path + " has " + std::to_string(n) +
                             (n == 1 ? " error:" : " errors:"),
                         located_lines(path, result.errors)));
    return false;
  }
  // Imported settings are not on disk yet; the exit question guards them.
  doc_.modified = 1;
  ui::MessageBoxSpec form;
  form.text = listing(std::string("Imported ") + std::to_string(result.settings) +
                          (result.titles_csv ? " titles" : " settings") + " from " + path +
                          ". Save them with 上書き保存 or 名前を付けて保存.",
                      located_lines(path, result.notes));
  form.caption = kAppName;
  form.icon = ui::MessageIcon::Information;
  form.beep = false;
  ui_.message_box(std::move(form));
  return true;
}

void CMainFrame::file_export(bool titles) {
  if (batch_running()) return;
  const char* ext = titles ? "csv" : "txt";
  FileDialogRequest request;
  request.save = true;
  request.caption = titles ? "タイトルCSVのエクスポート" : "テキストのエクスポート";
  request.start_dir = start_folder();
  request.initial_name = export_name(doc_.file_name, ext);
  request.extensions = {ext};
  transfer_dialog_(std::move(request), [this, titles](std::string path) {
    if (path.empty() || batch_running()) return;
    const std::string text = titles ? titles_csv(doc_) : settings_text(doc_, doc_.model_index);
    std::string error;
    if (!replace_file(*disk_, path, text, &error)) {
      show_warning(std::string(kCantFileOpen) + "\n" + error);
      return;
    }
    remember_folder(path);
  });
}

void CMainFrame::exit_check() {
  if (shut_down_ || exit_pending_) return;
  // Every edited title is protected, whatever the current channel's title holds.
  if (!doc_.modified) {
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
      [this] { save_before_exit(); }, [this] { exit_pending_ = false; }, true);
}

void CMainFrame::save_before_exit() {
  // The program stays open either way; a later exit finds `modified` cleared
  // when the save succeeded.
  if (batch_running()) {
    exit_pending_ = false;
    return;
  }
  if (doc_.file_name.empty()) {
    choose_and_save_as([this] { exit_pending_ = false; });
    return;
  }
  save_to(doc_.file_name);
  exit_pending_ = false;
}

}  // namespace klvc
