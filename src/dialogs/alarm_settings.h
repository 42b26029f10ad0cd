// Alarm settings: hold time, input polarity, return, buzzer output and the
// memory-number display, each with its own list and Set button.
#pragma once

#include <string>

#include "commands/alarm_commands.h"
#include "dialogs/dialog_context.h"
#include "ui/dialog.h"

namespace klvc {

// Those commands built from the document and sent.
void send_alarm_hold_time(const DialogContext& ctx);
void send_alarm_polarity(const DialogContext& ctx);
void send_alarm_return(const DialogContext& ctx);
void send_buzzer_output(const DialogContext& ctx);
void send_memory_number_display(const DialogContext& ctx);

// The alarm settings dialog "アラーム設定". A list change goes into the document
// at once; each Set button sends its one setting.
class CAlarmSetDlg : public ui::Dialog {
 public:
  // Control ids, as in the dialog template.
  static constexpr int kHoldTimeList = 1014;
  static constexpr int kPolarityList = 1015;
  static constexpr int kReturnList = 1016;
  static constexpr int kBuzzerList = 1017;
  static constexpr int kMemoryNumberList = 1018;
  static constexpr int kSlaveList = 1003;
  static constexpr int kHoldTimeSet = 1066;
  static constexpr int kPolaritySet = 1067;
  static constexpr int kReturnSet = 1069;
  static constexpr int kBuzzerSet = 1072;
  static constexpr int kMemoryNumberSet = 1076;

  explicit CAlarmSetDlg(const DialogContext& ctx);
  void on_init() override;
  void on_command(int id, ui::Notify notify) override;

 private:
  DialogContext ctx_;
};

}  // namespace klvc
