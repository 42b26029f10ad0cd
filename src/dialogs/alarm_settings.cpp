#include "dialogs/alarm_settings.h"

#include "commands/command_fields.h"
#include "dialogs/dialog_params.h"
#include "dialogs/slave_list.h"
#include "settings/store.h"

namespace klvc {
namespace {

// One row per setting: its list, its Set button, the store field it edits,
// the list's entries and its sender.
struct AlarmSetting {
  const char* caption;
  int list_id;
  int set_id;
  int SettingsStore::*field;
  std::vector<std::string> entries;
  void (*send)(const DialogContext& ctx);
};

// "01".."60": the hold time list shows its seconds with a leading zero.
std::vector<std::string> hold_time_entries() {
  std::vector<std::string> v;
  for (int s = 1; s <= 60; ++s) v.push_back((s < 10 ? "0" : "") + std::to_string(s));
  return v;
}

const std::vector<std::string> kOffOn = {"OFF", "ON"};

const std::vector<AlarmSetting>& alarm_settings() {
  static const std::vector<AlarmSetting> rows = {
      {"保持時間", CAlarmSetDlg::kHoldTimeList, CAlarmSetDlg::kHoldTimeSet, &SettingsStore::alarm_hold_time,
       hold_time_entries(), send_alarm_hold_time},
      {"入力極性", CAlarmSetDlg::kPolarityList, CAlarmSetDlg::kPolaritySet, &SettingsStore::alarm_polarity,
       {"MAKE", "BREAK"}, send_alarm_polarity},
      {"リターン", CAlarmSetDlg::kReturnList, CAlarmSetDlg::kReturnSet, &SettingsStore::alarm_return,
       kOffOn, send_alarm_return},
      {"ブザー出力", CAlarmSetDlg::kBuzzerList, CAlarmSetDlg::kBuzzerSet, &SettingsStore::buzzer_output,
       kOffOn, send_buzzer_output},
      {"メモリ番号表示", CAlarmSetDlg::kMemoryNumberList, CAlarmSetDlg::kMemoryNumberSet,
       &SettingsStore::memory_number_display, kOffOn, send_memory_number_display},
  };
  return rows;
}

}  // namespace

void send_alarm_hold_time(const DialogContext& ctx) { send_built(ctx, alarm_hold_time_command(ctx.doc)); }
void send_alarm_polarity(const DialogContext& ctx) { send_line(ctx, alarm_polarity_command(ctx.doc)); }
void send_alarm_return(const DialogContext& ctx) { send_line(ctx, alarm_return_command(ctx.doc)); }
void send_buzzer_output(const DialogContext& ctx) { send_line(ctx, buzzer_output_command(ctx.doc)); }
void send_memory_number_display(const DialogContext& ctx) { send_line(ctx, memory_number_display_command(ctx.doc)); }

// Two rows of three groups: the five settings, then the slave number; OK and
// Close at the bottom right, last in the Tab order.
CAlarmSetDlg::CAlarmSetDlg(const DialogContext& ctx) : ui::Dialog("アラーム設定", 74, 10), ctx_(ctx) {
  constexpr int kGroupW = 18, kGroupH = 4, kStepX = 19, kStepY = 5;
  const auto& rows = alarm_settings();
  for (std::size_t i = 0; i <= rows.size(); ++i) {
    int gx = 1 + kStepX * static_cast<int>(i % 3);
    int gy = 1 + kStepY * static_cast<int>(i / 3);
    if (i == rows.size()) {
      add_group({gx, gy, kGroupW, kGroupH}, "スレーブ番号");
      add_combo(kSlaveList, {gx + 2, gy + 1, 8, 1}, list_entries({0, "", ListKind::SlaveNumbers, {}}));
      break;
    }
    const AlarmSetting& s = rows[i];
    add_group({gx, gy, kGroupW, kGroupH}, s.caption);
    add_combo(s.list_id, {gx + 2, gy + 1, 9, 1}, s.entries);
    add_button(s.set_id, {gx + 2, gy + 2, 8, 1}, "設定");
  }
  add_button(ui::kIdOk, {60, 8, 12, 1}, "OK", true);
  add_button(ui::kIdCancel, {60, 9, 12, 1}, "Close");
}

void CAlarmSetDlg::on_init() {
  open_slave_number_list(combo(kSlaveList), ctx_.doc);
  for (const AlarmSetting& s : alarm_settings()) combo(s.list_id).select(ctx_.doc.*s.field);
}

void CAlarmSetDlg::on_command(int id, ui::Notify notify) {
  if (id == kSlaveList && notify == ui::Notify::SelChange) {
    ctx_.doc.slave_number = combo(id).selection();
    return;
  }
  for (const AlarmSetting& s : alarm_settings()) {
    if (id == s.list_id && notify == ui::Notify::SelChange) {
      ctx_.doc.*s.field = combo(id).selection();
    } else if (id == s.set_id && notify == ui::Notify::Clicked) {
      s.send(ctx_);
    }
  }
}

}  // namespace klvc
