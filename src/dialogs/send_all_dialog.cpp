#include "dialogs/send_all_dialog.h"

#include "dialogs/send_all.h"
#include "link/messages.h"

namespace klvc {

CAllSettingsDlg::CAllSettingsDlg() : ui::Dialog("全項目の設定", 44, 5) {
  add_button(kStartButton, {2, 1, 12, 1}, "全設定");
  // The bar starts with the platform's default range 0..100 at 0.
  add_progress(kProgressBar, {2, 3, 40, 1});
  add_button(ui::kIdCancel, {30, 1, 12, 1}, "Close");
}

void CAllSettingsDlg::on_command(int id, ui::Notify notify) {
  if (id == kStartButton && notify == ui::Notify::Clicked) start_send_all();
}

void CAllSettingsDlg::on_timer(int timer_id) {
  if (timer_id == kSendAllTimerId) send_all_tick();
}

void CAllSettingsDlg::start_send_all() {
  if (!begin_send_all()) return;
  running_ = true;
  set_timer(kSendAllTimerId, kSendAllFastPeriodMs);
}

void CAllSettingsDlg::send_all_tick() {
  if (!running_) {
    kill_timer(kSendAllTimerId);
    return;
  }
  if (holding_for_box()) return;

  const SendAllTick tick = run_send_all_step();
  if (!tick.ran || tick.stopped) {
    // The bar keeps its position after an error stop.
    running_ = false;
    kill_timer(kSendAllTimerId);
    return;
  }
  if (!tick.warning.empty()) show_run_warning(tick.warning);
  ui::ProgressBar& bar = progress(kProgressBar);
  bar.set_range(0, tick.progress_max);
  bar.set_pos(tick.progress_pos);
  if (tick.slow_down) set_timer(kSendAllTimerId, kSendAllSlowPeriodMs);
  if (tick.finished) {
    running_ = false;
    kill_timer(kSendAllTimerId);
  }
}

void CAllSettingsDlg::show_run_warning(const std::string& text) {
  std::shared_ptr<int> open = open_boxes_;
  ++*open;
  // The counter outlives the dialog, so a box closed after the dialog is harmless.
  show_warning(text, [open](BoxResult) { --*open; });
}

void CAllSettingsDlg::on_end() {
  if (!running_) return;
  running_ = false;
  kill_timer(kSendAllTimerId);
  abandon_send_all();
}

}  // namespace klvc
