#include "screen/dialog_commands.h"

#include "screen/command_ids.h"
#include "screen/main_frame.h"
#include "dialogs/alarm_settings.h"
#include "dialogs/alarm_terminals.h"
#include "dialogs/auto_sequence.h"
#include "dialogs/comm_settings.h"
#include "dialogs/date_time.h"
#include "dialogs/output_switch.h"
#include "dialogs/password.h"
#include "dialogs/send_all_dialog.h"
#include "dialogs/title_display.h"
#include "dialogs/title_set.h"

namespace klvc {

namespace {

template <class D>
std::unique_ptr<ui::Dialog> make(const DialogContext& ctx) {
  return std::make_unique<D>(ctx);
}

void title_ok(CMainFrame& frame, ui::Dialog& dialog) {
  if (auto* d = dynamic_cast<CTitleSetDlg*>(&dialog)) frame.title_dialog_ok(d->channel, d->slave);
}

void model_ok(CMainFrame& frame, ui::Dialog& dialog) {
  if (auto* d = dynamic_cast<CModelDlg*>(&dialog)) frame.model_dialog_ok(d->model);
}

void comm_ok(CMainFrame& frame, ui::Dialog& dialog) {
  if (auto* d = dynamic_cast<CCommSettingsDlg*>(&dialog)) frame.comm_dialog_ok(d->port, d->interface);
}

}  // namespace

const std::vector<DialogCommand>& dialog_commands() {
  static const std::vector<DialogCommand> table = {
      {cmd::kOutputSwitch, make_output_switch_dialog},
      {cmd::kTitleSet, make_title_set_dialog, title_ok},
      {cmd::kInputTitleDisplay, make<CInputTitleDisplayDlg>},
      {cmd::kOutputTitleDisplay, make<COutputTitleDisplayDlg>},
      {cmd::kSkipLive, make<CSkipLiveDlg>},
      {cmd::kDwellTime, make<CDwellTimeDlg>},
      {cmd::kDateTimeSet, [](const DialogContext& ctx) { return std::make_unique<CDateTimeSetDlg>(ctx); }},
      {cmd::kDateTimeDisplay, make<CDateTimeDisplayDlg>},
      {cmd::kPassword, make<CPasswordDlg>},
      {cmd::kAlarmSettings, make<CAlarmSetDlg>},
      {cmd::kAlarmInputTerminals, make<CAlarmInputDlg>},
      {cmd::kAlarmOutputTerminals, make<CAlarmOutputDlg>},
      {cmd::kSendAll, make<CAllSettingsDlg>},
      {cmd::kModelSelect, make_model_dialog, model_ok},
      {cmd::kCommSettings, make_comm_settings_dialog, comm_ok},
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
