#include "dialogs/send_all_dialog.h"

#include "dialogs/batch.h"
#include "dialogs/send_all.h"
#include "link/link.h"
#include "link/messages.h"
#include "ui/ui.h"

namespace klvc {

namespace {
constexpr const char* kRunName = "全項目の設定";
}  // namespace

CAllSettingsDlg::CAllSettingsDlg(const DialogContext& ctx) : ui::Dialog("全項目の設定", 44, 8), ctx_(ctx) {
  add_button(kStartButton, {2, 1, 12, 1}, "全設定");
  // The bar starts with the platform's default range 0..100 at 0.
  add_progress(kProgressBar, {2, 3, 40, 1});
  add_button(ui::kIdCancel, {30, 1, 12, 1}, "Close");
  add_label({2, 5, 10, 1}, "送信方法");
  add_combo(kPaceList, {12, 5, 30, 1}, {"一定間隔（標準）", "応答確認（高速）"}).select(kTimedPace);
  add_label({2, 7, 40, 1}, "", kRunStatus);
}

CAllSettingsDlg::~CAllSettingsDlg() {
  *alive_ = false;
  if (running_ && ack_) ctx_.link.set_answer_observer({});
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
  if (running_) return;
  if (ctx_.link.status().batch_step.load() != 0) {
    label(kRunStatus).set_text("他の送信の途中です。終わってから押してください");
    return;
  }
  // A run starts clean: an error answer to an earlier single command is not
  // this run's, and must not stop it before its first line.
  ctx_.link.status().error_seen = 0;
  if (!begin_send_all(ctx_.link)) return;
  running_ = true;
  lines_sent_ = 0;
  label(kRunStatus).set_text("送信中…");
  log_run(kRunName, "started");
  cursor_ = SendAllCursor{};
  ack_ = combo(kPaceList).selection() == kAckPace;
  if (!ack_) {
    set_timer(kSendAllTimerId, kSendAllFastPeriodMs);
    return;
  }
  // Each answer wakes the run on the screen's thread; the timer is a backstop.
  if (ui::Ui* screen = ui()) {
    ctx_.link.set_answer_observer([screen, alive = alive_, this](const AnswerEvent&) {
      screen->post([alive, this] {
        if (*alive) send_all_ack_step();
      });
    });
  }
  set_timer(kSendAllTimerId, kAckLookMs);
  send_all_ack_step();
}

std::string CAllSettingsDlg::progress_text() {
  const ui::ProgressBar& bar = progress(kProgressBar);
  return std::to_string(bar.pos()) + "/" + std::to_string(bar.hi());
}

void CAllSettingsDlg::stopped(int step) {
  end_run();
  const std::string why = "エラー応答か応答なし（No Connect）";
  if (lines_sent_ == 0) {
    // Nothing of this run went out: the answer belonged to something sent before it.
    label(kRunStatus).set_text("最初の行の前に停止: 直前の送信への" + why);
  } else {
    label(kRunStatus).set_text("停止（" + progress_text() + "、" + std::to_string(lines_sent_) + " 行送信）: " + why);
  }
  log_run(kRunName, "stopped at step " + std::to_string(step) + " after " + std::to_string(lines_sent_) +
                        " lines: an error answer or no answer");
}

void CAllSettingsDlg::end_run() {
  running_ = false;
  kill_timer(kSendAllTimerId);
  if (ack_) ctx_.link.set_answer_observer({});
}

void CAllSettingsDlg::send_all_tick() {
  if (!running_) {
    kill_timer(kSendAllTimerId);
    return;
  }
  if (holding_for_box()) return;

  const SendAllTick tick = run_send_all_step(ctx_, cursor_);
  if (!tick.ran || tick.stopped) {
    // The bar keeps its position after an error stop.
    stopped(tick.plan.step);
    return;
  }
  if (!tick.line.empty()) ++lines_sent_;
  if (!tick.warning.empty()) show_run_warning(tick.warning);
  ui::ProgressBar& bar = progress(kProgressBar);
  bar.set_range(0, tick.progress_max);
  bar.set_pos(tick.progress_pos);
  if (tick.slow_down) set_timer(kSendAllTimerId, kSendAllSlowPeriodMs);
  if (tick.finished) finished();
}

void CAllSettingsDlg::finished() {
  end_run();
  label(kRunStatus).set_text("完了: " + std::to_string(lines_sent_) + " 行送信");
  log_run(kRunName, "finished, " + std::to_string(lines_sent_) + " lines sent");
}

void CAllSettingsDlg::send_all_ack_step() {
  // The last line still waits for its answer, or for the no-answer limit.
  if (!running_ || holding_for_box() || ctx_.link.status().response_pending != 0) return;
  for (;;) {
    const SendAllTick tick = run_send_all_step(ctx_, cursor_);
    if (!tick.ran || tick.stopped) {
      stopped(tick.plan.step);
      return;
    }
    if (!tick.line.empty()) ++lines_sent_;
    ui::ProgressBar& bar = progress(kProgressBar);
    bar.set_range(0, tick.progress_max);
    bar.set_pos(tick.progress_pos);
    if (tick.finished) {
      finished();
      return;
    }
    if (!tick.warning.empty()) {
      show_run_warning(tick.warning);
      return;
    }
    // On to the next step at once when the answer is already in.
    if (!tick.line.empty() && ctx_.link.status().response_pending != 0) return;
  }
}

void CAllSettingsDlg::show_run_warning(const std::string& text) {
  std::shared_ptr<int> open = open_boxes_;
  ++*open;
  // The counter outlives the dialog, so a box closed after the dialog is harmless.
  show_warning(text, [open](BoxResult) { --*open; });
}

void CAllSettingsDlg::on_cancel() {
  // A run an error answer is already stopping needs no decision.
  if (!running_ || ctx_.link.status().error_seen.load() != 0) {
    end_dialog(ui::kIdCancel);
    return;
  }
  ask_to_stop_run(kRunName, progress_text(), [this, alive = alive_] {
    if (*alive && !ended()) end_dialog(ui::kIdCancel);  // on_end stops the run
  });
}

void CAllSettingsDlg::on_end() {
  if (!running_) return;
  log_run(kRunName, "stopped at step " + std::to_string(ctx_.link.status().batch_step.load()) + " after " +
                        std::to_string(lines_sent_) + " lines: its dialog was closed");
  end_run();
  abandon_send_all(ctx_.link);
}

}  // namespace klvc
