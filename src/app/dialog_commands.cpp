#include "app/dialog_commands.h"

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "dialogs/send_all_dialog.h"

namespace klvc {

const std::vector<DialogCommand>& dialog_commands() {
  static const std::vector<DialogCommand> table = {
      {cmd::kOutputSwitch, 137, {}},
      {cmd::kTitleSet, 132, {}},
      {cmd::kInputTitleDisplay, 138, {}},
      {cmd::kOutputTitleDisplay, 139, {}},
      {cmd::kSkipLive, 140, {}},
      {cmd::kDwellTime, 141, {}},
      {cmd::kDateTimeSet, 142, {}},
      {cmd::kDateTimeDisplay, 143, {}},
      {cmd::kPassword, 147, {}},
      {cmd::kAlarmSettings, 144, {}},
      {cmd::kAlarmInputTerminals, 145, {}},
      {cmd::kAlarmOutputTerminals, 146, {}},
      {cmd::kSendAll, 148, [] { return std::make_unique<CAllSettingsDlg>(); }},
      {cmd::kModelSelect, 135, {}},
      {cmd::kCommSettings, 130, {}},
  };
  return table;
}

const DialogCommand* find_dialog_command(int command) {
  for (const auto& d : dialog_commands()) {
    if (d.command == command) return &d;
  }
  return nullptr;
}

}  // namespace klvc
