#include "dialogs/send_all_dialog.h"

#include "dialogs/send_all.h"
#include "link/link.h"
#include "link/messages.h"
#include "settings/store.h"
#include "ui/ui.h"

namespace klvc {

CAllSettingsDlg::CAllSettingsDlg() : ui::Dialog("全項目の設定", 44, 7) {
  add_button(kStartButton, {2, 1, 12, 1}, "全設定");
  // The bar starts with the platform's default range 0..100 at 0.
  add_progress(kProgressBar, {2, 3, 40, 1});
  add_button(ui::kIdCancel, {30, 1, 12, 1}, "Close");
  add_label({2, 5, 10, 1}, "送信方法");
  add_combo(kPaceList, {12, 5, 30, 1}, {"一定間隔（標準）", "応答確認（高速）"}).select(kTimedPace);
}

CAllSettingsDlg::~CAllSettingsDlg() {
  *alive_ = false;
  if (running_ && ack_) set_answer_observer({});
}

void CAllSettingsDlg::on_command(int id, ui::Notify notify) {
  if (id == kStartButton && notify == ui::Notify::Clicked) start_send_all();
}

void CAllSettingsDlg::on_timer(int timer_id) {
  if (timer_id != kSendAllTimerId) return;
  if (ack_) {
    send_all_ack_step();
  } else {
    send_all_tick();
  }
}

void CAllSettingsDlg::start_send_all() {
  if (!begin_send_all()) return;
  running_ = true;
  cursor_ = SendAllCursor{};
  ack_ = combo(kPaceList).selection() == kAckPace;
  if (!ack_) {
    set_timer(kSendAllTimerId, kSendAllFastPeriodMs);
    return;
  }
  // Each answer wakes the run on the screen's thread; the timer is a backstop.
  if (ui::Ui* screen = ui()) {
    set_answer_observer([screen, alive = alive_, this](const AnswerEvent&) {
      screen->post([alive, this] {
        if (*alive) send_all_ack_step();
      });
    });
  }
  set_timer(kSendAllTimerId, kAckLookMs);
  send_all_ack_step();
}

void CAllSettingsDlg::end_run() {
  running_ = false;
  kill_timer(kSendAllTimerId);
  if (ack_) set_answer_observer({});
}

void CAllSettingsDlg::send_all_tick() {
  if (!running_) {
    kill_timer(kSendAllTimerId);
    return;
  }
  if (holding_for_box()) return;

  const SendAllTick tick = run_send_all_step(cursor_);
  if (!tick.ran || tick.stopped) {
    // The bar keeps its position after an error stop.
    end_run();
    return;
  }
  if (!tick.warning.empty()) show_run_warning(tick.warning);
  ui::ProgressBar& bar = progress(kProgressBar);
  bar.set_range(0, tick.progress_max);
  bar.set_pos(tick.progress_pos);
  if (tick.slow_down) set_timer(kSendAllTimerId, kSendAllSlowPeriodMs);
  if (tick.finished) end_run();
}

void CAllSettingsDlg::send_all_ack_step() {
  // The last line still waits for its answer, or for the no-answer limit.
  if (!running_ || holding_for_box() || link_status().response_pending != 0) return;
  for (;;) {
    const SendAllTick tick = run_send_all_step(cursor_);
    if (!tick.ran || tick.stopped) {
      end_run();
      return;
    }
    ui::ProgressBar& bar = progress(kProgressBar);
    bar.set_range(0, tick.progress_max);
    bar.set_pos(tick.progress_pos);
    if (tick.finished) {
      end_run();
      return;
    }
    if (!tick.warning.empty()) {
      show_run_warning(tick.warning);
      return;
    }
    // On to the next step at once when the answer is already in.
    if (!tick.line.empty() && link_status().response_pending != 0) return;
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
  end_run();
  abandon_send_all();
}

}  // namespace klvc
