// Date and time: the clock dialog that sets the switcher's clock field by
// field from the PC's clock, and the table dialog of the date/time overlay.
#pragma once

#include <functional>
#include <string>

#include "commands/clock_commands.h"
#include "dialogs/table_dialog.h"
#include "ui/dialog.h"

namespace klvc {

// Where the clock dialog reads "now" from; tests pass a fixed time.
using LocalTimeSource = std::function<LocalDateTime()>;
LocalDateTime system_local_time();

// The command built from the document and sent (nothing for "").
void send_datetime_display(const DialogContext& ctx, int output);

// The clock setting dialog "日付・時計設定": one list and Set button per clock
// field, the 30-second adjustment and the slave number. The lists open at the PC's
// clock and do not follow it afterwards.
class CDateTimeSetDlg : public ui::Dialog {
 public:
  static constexpr int kYearList = 1019;
  static constexpr int kMonthList = 1020;
  static constexpr int kDayList = 1021;
  static constexpr int kHourList = 1022;
  static constexpr int kMinuteList = 1023;
  static constexpr int kSecondList = 1024;
  static constexpr int kSlaveList = 1034;
  static constexpr int kYearSet = 1068;
  static constexpr int kMonthSet = 1070;
  static constexpr int kDaySet = 1073;
  static constexpr int kHourSet = 1077;
  static constexpr int kMinuteSet = 1080;
  static constexpr int kSecondSet = 1081;
  static constexpr int kAdjustSet = 1074;

  explicit CDateTimeSetDlg(const DialogContext& ctx, LocalTimeSource now = system_local_time);
  void on_init() override;
  void on_command(int id, ui::Notify notify) override;

 private:
  DialogContext ctx_;
  LocalTimeSource now_;
  int opened_year_ = 0;
};

// The date/time display dialog "日付・時刻表示": the date/time overlay of
// each output; Set sends every output of the model, one every 100 ms.
class CDateTimeDisplayDlg : public ListTableDialog {
 public:
  explicit CDateTimeDisplayDlg(const DialogContext& ctx);
};

}  // namespace klvc
