// Which modal dialog each menu command of the 設定, モデル and 通信 menus opens,
// and which step the main frame runs after it closes with OK.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "dialogs/dialog_context.h"
#include "ui/dialog.h"

namespace klvc {

class CMainFrame;

struct DialogCommand {
  int command;
  // Builds the dialog on the screen's document and link; empty while the
  // dialog is not part of this build (the menu then shows the command greyed out).
  std::function<std::unique_ptr<ui::Dialog>(const DialogContext&)> create;
  // Runs when the dialog closed with OK (title, model and communication only):
  // reads the dialog's choices and hands them to the frame's matching step.
  std::function<void(CMainFrame&, ui::Dialog&)> after_ok;
};

const std::vector<DialogCommand>& dialog_commands();
const DialogCommand* find_dialog_command(int command);

}  // namespace klvc
