// Date and time: the clock dialog that sets the switcher's clock field by
// field from the PC's clock, and the table dialog of the date/time overlay.
#pragma once

#include <functional>
#include <string>

#include "dialogs/table_dialog.h"
#include "ui/dialog.h"

namespace klvc {

struct SwitcherSettings;

// A local calendar time as the PC's clock gives it.
struct LocalDateTime {
  int year = 2000;
  int month = 1;   // 1..12
  int day = 1;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Where the clock dialog reads "now" from; tests pass a fixed time.
using LocalTimeSource = std::function<LocalDateTime()>;
LocalDateTime system_local_time();

// The six fields of the switcher's clock, in the dialog's order.
enum class ClockField { Year, Month, Day, Hour, Minute, Second };
constexpr int kClockFieldCount = 6;

// Body with CR LF for one clock field from its list's selection index:
//   Year   "DSY" + index ("00".."99", the year minus 2000)
//   Month  "DSM" + index + 1   Day "DSD" + index + 1
//   Hour   "TSH" + index       Minute "TSM" + index   Second "TSS" + index
// "" when `selection` is not an entry of the field's list (no selection).
std::string clock_command(ClockField field, int selection);
// The list index that shows `t`'s value of `field` (-1 when the list has no
// such entry, e.g. a year outside 2000..2099).
int clock_list_index(ClockField field, const LocalDateTime& t);
// The 30-second adjustment, "TSA\r\n".
std::string clock_adjust_command();

// "TO" + output + "ON"/"OF" + CR LF from datetime_display[output];
// "" for an output outside 0..15.
std::string datetime_display_command(const SwitcherSettings& s, int output);
// The same built from the document and sent (nothing for "").
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
