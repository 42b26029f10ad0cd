#include "ui/file_dialog.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/base_name.h"
#include "common/text.h"
#include "ui/text_width.h"
#include "ui/ui.h"

namespace klvc::ui {
namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 18;

bool is_dir(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

std::string current_dir() {
  char buf[PATH_MAX];
  return getcwd(buf, sizeof buf) ? std::string(buf) : std::string("/");
}

std::string absolute(const std::string& p) {
  char buf[PATH_MAX];
  if (realpath(p.c_str(), buf)) return buf;
  return p;
}

std::string join(const std::string& dir, const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  if (name.rfind("~/", 0) == 0 && std::getenv("HOME")) return std::string(std::getenv("HOME")) + name.substr(1);
  return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string parent_of(const std::string& dir) {
  auto slash = dir.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return dir.substr(0, slash);
}

bool has_extension(const std::string& path) {
  std::string base = base_name(path);
  auto dot = base.find_last_of('.');
  return dot != std::string::npos && dot > 0 && dot + 1 < base.size();
}

bool has_extension_of(const std::string& name, const std::string& ext) {
  if (name.size() < ext.size() + 2) return false;
  return ascii_lower(name.substr(name.size() - ext.size() - 1)) == "." + ext;
}

// Keeps the end of a long path, which says the most.
std::string path_tail(const std::string& path, int cells) {
  if (display_width(path) <= cells) return path;
  auto cps = decode_utf8(path);
  std::string tail;
  int used = 3;
  for (std::size_t i = cps.size(); i-- > 0;) {
    int w = char_width(cps[i]);
    if (used + w > cells) break;
    used += w;
    tail = encode_utf8(cps[i]) + tail;
  }
  return "..." + tail;
}

// The settings files keep their given filter text; other kinds list their patterns.
std::string type_text(const std::vector<std::string>& extensions) {
  if (extensions == std::vector<std::string>{"dat"}) return "ﾃﾞｰﾀ(*.dat)";
  if (extensions == std::vector<std::string>{"dat", "dat.save"}) return "*.dat, *.dat.save";
  std::string patterns;
  for (const std::string& e : extensions) patterns += (patterns.empty() ? "*." : ";*.") + e;
  return patterns;
}

}  // namespace

FileDialog::FileDialog(Mode mode, std::string start_dir, std::string initial_name, std::string question_caption,
                       std::vector<std::string> extensions, const std::string& caption)
    : Dialog(!caption.empty() ? caption : mode == Mode::Open ? "ファイルを開く" : "名前を付けて保存", kWidth, kHeight),
      mode_(mode),
      initial_name_(std::move(initial_name)),
      question_caption_(question_caption.empty() ? "KLVC" : std::move(question_caption)),
      extensions_(extensions.empty() ? std::vector<std::string>{"dat"} : std::move(extensions)) {
  add_label(Rect{1, 0, kWidth - 2, 1}, "", kIdFolder);
  add_label(Rect{1, 2, 11, 1}, "ファイル名:");
  add_edit(kIdName, Rect{13, 2, kWidth - 14, 1});
  auto list = std::make_unique<ListBox>(this, kIdList, Rect{1, 4, kWidth - 2, 11});
  list_ = list.get();
  adopt(std::move(list));
  add_label(Rect{1, 15, kWidth - 2, 1}, "", kIdNote);
  add_label(Rect{1, 16, kWidth - 30, 1}, "ファイルの種類: " + type_text(extensions_));
  add_button(kIdOk, Rect{kWidth - 28, 16, 12, 1}, mode == Mode::Open ? "開く" : "保存", true);
  add_button(kIdCancel, Rect{kWidth - 14, 16, 14, 1}, "キャンセル");
  folder_ = start_dir.empty() || !is_dir(start_dir) ? current_dir() : absolute(start_dir);
}

void FileDialog::on_init() {
  enter_folder(folder_);
  if (!initial_name_.empty()) edit(kIdName).set_text(base_name(initial_name_));
  // Typing replaces the offered name rather than adding to it.
  edit(kIdName).select_all();
  focus(kIdName);
}

void FileDialog::enter_folder(const std::string& dir) {
  std::vector<std::string> folders;
  std::vector<std::string> files;
  std::string note;
  DIR* d = opendir(dir.c_str());
  if (!d) {
    note = "cannot read " + dir + ": " + std::strerror(errno);
  } else {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name.empty() || name[0] == '.') continue;  // also skips "." and hidden files
      std::string full = join(dir, name);
      if (is_dir(full)) {
        folders.push_back(name + "/");
      } else if (listed(name)) {
        files.push_back(name);
      }
    }
    closedir(d);
  }
  std::sort(folders.begin(), folders.end());
  std::sort(files.begin(), files.end());
  std::vector<std::string> entries;
  if (dir != "/") entries.push_back("..");
  entries.insert(entries.end(), folders.begin(), folders.end());
  entries.insert(entries.end(), files.begin(), files.end());
  folder_ = dir;
  list_->set_entries(std::move(entries));
  label(kIdFolder).set_text("フォルダ: " + path_tail(folder_, kWidth - 12));
  label(kIdNote).set_text(note);
}

void FileDialog::open_entry(const std::string& entry) {
  if (entry == "..") {
    enter_folder(parent_of(folder_));
  } else if (!entry.empty() && entry.back() == '/') {
    enter_folder(join(folder_, entry.substr(0, entry.size() - 1)));
  } else if (!entry.empty()) {
    accept_name(entry);
  }
}

void FileDialog::on_command(int id, Notify n) {
  if (id == kIdList && n == Notify::SelChange) {
    std::string entry = list_->selected_text();
    if (!entry.empty() && entry != ".." && entry.back() != '/') edit(kIdName).set_text(entry);
  } else if (id == kIdList && n == Notify::Clicked) {
    open_entry(list_->selected_text());
  }
}

void FileDialog::on_ok() {
  std::string typed = edit(kIdName).text();
  typed.erase(0, typed.find_first_not_of(' '));
  typed.erase(typed.find_last_not_of(' ') + 1);
  if (typed.empty()) {
    if (focused() == list_) open_entry(list_->selected_text());
    return;
  }
  accept_name(typed);
}

void FileDialog::accept_name(const std::string& typed) {
  std::string path = join(folder_, typed);
  if (is_dir(path)) {
    enter_folder(absolute(path));
    edit(kIdName).set_text("");
    return;
  }
  if (mode_ == Mode::Open) {
    if (!exists(path) && !has_extension(path)) path += "." + extensions_.front();
    if (!exists(path)) {
      ui()->message_box({base_name(path) + "\nファイルが見つかりません。\nファイル名を確認してください。", caption(),
                         MessageIcon::Warning, MessageButtons::Ok, true});
      return;
    }
    finish(path);
    return;
  }
  if (!has_extension(path)) path += "." + extensions_.front();
  if (!is_dir(parent_of(path))) {
    ui()->message_box({parent_of(path) + "\nフォルダが見つかりません。", caption(), MessageIcon::Warning,
                       MessageButtons::Ok, true});
    return;
  }
  if (is_dir(path)) {
    enter_folder(absolute(path));
    return;
  }
  if (exists(path)) {
    // No by default: a stray Enter must not replace a file.
    ui()->message_box({base_name(path) + " は既に存在します。\n上書きしますか?", question_caption_,
                       MessageIcon::Warning, MessageButtons::YesNo, true, true},
                      [this, path, alive = std::weak_ptr<bool>(alive_)](BoxResult answer) {
                        auto still = alive.lock();
                        if (still && *still && !ended() && answer == BoxResult::Yes) finish(path);
                      });
    return;
  }
  finish(path);
}

bool FileDialog::listed(const std::string& name) const {
  for (const std::string& ext : extensions_) {
    if (has_extension_of(name, ext)) return true;
  }
  return false;
}

void FileDialog::finish(const std::string& path) {
  chosen_ = path;
  end_dialog(kIdOk);
}

// ---------------------------------------------------------------- Ui entry points

void Ui::file_open_dialog(std::string start_dir, std::function<void(std::string)> on_done,
                          std::vector<std::string> extensions, std::string caption) {
  open_modal(std::make_unique<FileDialog>(FileDialog::Mode::Open, std::move(start_dir), std::string(), "KLVC",
                                          std::move(extensions), caption),
             [on_done](Dialog& d, int result) {
               if (on_done) on_done(result == kIdOk ? static_cast<FileDialog&>(d).chosen() : std::string());
             });
}

void Ui::file_save_dialog(std::string start_dir, std::function<void(std::string)> on_done, std::string initial_name,
                          std::string question_caption, std::vector<std::string> extensions, std::string caption) {
  open_modal(std::make_unique<FileDialog>(FileDialog::Mode::Save, std::move(start_dir), std::move(initial_name),
                                          std::move(question_caption), std::move(extensions), caption),
             [on_done](Dialog& d, int result) {
               if (on_done) on_done(result == kIdOk ? static_cast<FileDialog&>(d).chosen() : std::string());
             });
}

}  // namespace klvc::ui
