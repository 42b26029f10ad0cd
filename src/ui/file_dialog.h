// Our own Open and Save As dialogs: a name field over the list of the
// current folder's *.dat files (or the extensions given) and sub-folders.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/list_box.h"

namespace klvc::ui {

class FileDialog : public Dialog {
 public:
  enum class Mode { Open, Save };
  static constexpr int kIdName = 100;
  static constexpr int kIdList = 101;
  static constexpr int kIdFolder = 102;
  static constexpr int kIdNote = 103;

  // `extensions` (without the dot) are the files listed; the first is added
  // to a name typed without one. `caption` replaces the mode's own.
  FileDialog(Mode mode, std::string start_dir, std::string initial_name = {}, std::string question_caption = "KLVC",
             std::vector<std::string> extensions = {"dat"}, const std::string& caption = {});
  ~FileDialog() override { *alive_ = false; }
  const std::string& chosen() const { return chosen_; }  // the accepted path, "" otherwise
  const std::string& folder() const { return folder_; }
  ListBox& list() { return *list_; }

  void on_init() override;
  void on_command(int id, Notify n) override;
  void on_ok() override;

 private:
  void enter_folder(const std::string& dir);
  void open_entry(const std::string& entry);
  void accept_name(const std::string& typed);
  void finish(const std::string& path);
  bool listed(const std::string& name) const;

  Mode mode_;
  std::string folder_;
  std::string initial_name_;
  std::string question_caption_;
  std::vector<std::string> extensions_;
  std::string chosen_;
  ListBox* list_ = nullptr;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for answers that come after the end
};

}  // namespace klvc::ui
