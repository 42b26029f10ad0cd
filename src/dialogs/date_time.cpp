#include "dialogs/date_time.h"

#include <ctime>

#include "commands/command_fields.h"
#include "dialogs/slave_list.h"
#include "link/link.h"
#include "link/messages.h"
#include "settings/store.h"

namespace klvc {
namespace {

// One row per clock field: its group, list and Set button.
struct ClockFieldRow {
  ClockField field;
  const char* caption;
  int list_id;
  int set_id;
};

using D = CDateTimeSetDlg;
constexpr ClockFieldRow kClockFields[kClockFieldCount] = {
    {ClockField::Year, "年", D::kYearList, D::kYearSet},       {ClockField::Month, "月", D::kMonthList, D::kMonthSet},
    {ClockField::Day, "日", D::kDayList, D::kDaySet},          {ClockField::Hour, "時", D::kHourList, D::kHourSet},
    {ClockField::Minute, "分", D::kMinuteList, D::kMinuteSet}, {ClockField::Second, "秒", D::kSecondList, D::kSecondSet},
};

std::string display_cell(const SettingsStore& doc, int output) {
  return doc.datetime_display[static_cast<std::size_t>(output)] != 0 ? "ON " : "OFF";
}

const RowBinding kDatetimeDisplay = {
    stored_selection<&Selections::current_output>, stored_row<&SwitcherSettings::datetime_display>,
    kMaxOutputs, display_cell, send_datetime_display, output_count_for};

const TableDialogParams kDatetimeDisplayParams = table_dialog_params(
    {"日付・時刻表示", "日付・時刻表示設定 File Name ", 1049, TableRows::Outputs, 7, 100},
    {{1051, "出力チャンネル", ListKind::Outputs, {}}, {1052, "表示", ListKind::Fixed, {"OFF", "ON"}},
     {1053, "同一表示", ListKind::Fixed, {"OFF", "ON"}}, slave_number_list(1034)},
    {1051, 1052, 1053});

}  // namespace

LocalDateTime system_local_time() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void send_datetime_display(const DialogContext& ctx, int output) {
  send_built(ctx, datetime_display_command(ctx.doc, output));
}

// Two rows of four groups: year to day and the adjustment, hour to second
// and the slave number; OK and Close at the bottom right, last in the Tab order.
CDateTimeSetDlg::CDateTimeSetDlg(const DialogContext& ctx, LocalTimeSource now)
    : ui::Dialog("日付・時計設定", 76, 10), ctx_(ctx), now_(std::move(now)) {
  constexpr int kGroupW = 16, kGroupH = 4, kStepX = 16, kStepY = 5;
  auto group_at = [&](int slot, const char* caption) {
    int gx = 1 + kStepX * (slot % 4);
    int gy = 1 + kStepY * (slot / 4);
    add_group({gx, gy, kGroupW, kGroupH}, caption);
    return ui::Rect{gx + 2, gy + 1, 9, 1};
  };
  // Slots: 年 月 日 30秒補正 / 時 分 秒 スレーブ番号.
  constexpr int kSlots[kClockFieldCount] = {0, 1, 2, 4, 5, 6};
  for (const ClockFieldRow& row : kClockFields) {
    ui::Rect r = group_at(kSlots[static_cast<int>(row.field)], row.caption);
    add_combo(row.list_id, r, clock_list_entries(row.field));
    add_button(row.set_id, {r.x, r.y + 1, 8, 1}, "設定");
  }
  ui::Rect adjust = group_at(3, "30秒補正");
  add_button(kAdjustSet, {adjust.x, adjust.y + 1, 8, 1}, "設定");
  add_combo(kSlaveList, group_at(7, "スレーブ番号"), list_entries({0, "", ListKind::SlaveNumbers, {}}));
  add_button(ui::kIdOk, {66, 8, 9, 1}, "OK", true);
  add_button(ui::kIdCancel, {66, 9, 9, 1}, "Close");
}

void CDateTimeSetDlg::on_init() {
  open_slave_number_list(combo(kSlaveList), ctx_.doc);
  LocalDateTime now = now_ ? now_() : system_local_time();
  opened_year_ = now.year;
  for (const ClockFieldRow& row : kClockFields) combo(row.list_id).select(clock_list_index(row.field, now));
}

void CDateTimeSetDlg::on_command(int id, ui::Notify notify) {
  if (id == kSlaveList && notify == ui::Notify::SelChange) {
    ctx_.doc.slave_number = combo(id).selection();
    return;
  }
  if (notify != ui::Notify::Clicked) return;  // the clock lists only hold their choice
  if (id == kAdjustSet) {
    send_line(ctx_, clock_adjust_command());
    return;
  }
  for (const ClockFieldRow& row : kClockFields) {
    if (id != row.set_id) continue;
    std::string line = clock_command(row.field, combo(row.list_id).selection());
    if (!line.empty()) {
      send_line(ctx_, line);
    } else if (row.field == ClockField::Year) {
      // Only a PC clock outside the list's years leaves it without a selection.
      show_warning("パソコンの時計の年（" + std::to_string(opened_year_) +
                   "年）は2000～2099年の範囲外のため送信しません。年を選んでから設定してください");
    } else {
      show_warning(std::string(row.caption) + "が選ばれていないため送信しません。選んでから設定してください");
    }
    return;
  }
}

// --------------------------------------------------------- CDateTimeDisplayDlg

CDateTimeDisplayDlg::CDateTimeDisplayDlg(const DialogContext& ctx)
    : ListTableDialog(kDatetimeDisplayParams, kDatetimeDisplay, ctx) {}

}  // namespace klvc
