#include "ui/ui.h"

namespace klvc::ui {

void Ui::file_open_dialog(std::string, std::function<void(std::string)> on_done) { if (on_done) on_done(""); }
void Ui::file_save_dialog(std::string, std::function<void(std::string)> on_done, std::string, std::string) {
  if (on_done) on_done("");
}

}  // namespace klvc::ui
