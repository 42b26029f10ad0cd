// Alarm settings: hold time, input polarity, return, buzzer output and the
// memory-number display, each with its own list and Set button.
#pragma once

#include <string>

#include "commands/alarm_commands.h"
#include "ui/dialog.h"

namespace klvc {

// Those commands built from store() and handed to send_command.
void send_alarm_hold_time();
void send_alarm_polarity();
void send_alarm_return();
void send_buzzer_output();
void send_memory_number_display();

// The alarm settings dialog "アラーム設定". A list change goes into the store
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

  CAlarmSetDlg();
  void on_init() override;
  void on_command(int id, ui::Notify notify) override;
};

}  // namespace klvc
