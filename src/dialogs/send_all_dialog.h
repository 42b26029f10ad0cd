// The send-all dialog "全項目の設定": one button that sends every setting of the document
// to the switcher in one run (send_all.h), a progress bar over the whole
// run, the choice of pace, and Close.
#pragma once

#include <memory>

#include "commands/send_all_steps.h"
#include "dialogs/dialog_context.h"
#include "ui/dialog.h"

namespace klvc {

class CAllSettingsDlg : public ui::Dialog {
 public:
  static constexpr int kStartButton = 1075;  // "全設定"
  static constexpr int kProgressBar = 1029;
  static constexpr int kPaceList = 1076;     // 一定間隔 (the timer's ticks) or 応答確認 (each answer)
  static constexpr int kRunStatus = 1077;    // how the last run began, stands or ended
  static constexpr int kTimedPace = 0;
  static constexpr int kAckPace = 1;
  // While an acknowledged run waits for an answer, the dialog looks again
  // this often (an answer itself wakes it at once).
  static constexpr int kAckLookMs = 50;

  explicit CAllSettingsDlg(const DialogContext& ctx);
  ~CAllSettingsDlg() override;
  void on_command(int id, ui::Notify notify) override;
  void on_timer(int timer_id) override;
  // Esc or Close during a run asks first; Yes stops the run and closes.
  void on_cancel() override;
  // Closing during a run ends it: nothing more is sent and batch_step is 0.
  void on_end() override;

  // "全設定": starts a run unless a batch is running.
  void start_send_all();
  // One tick of the run (timer 14). Ticks that come while a warning box of
  // this run is open are skipped, so each refused title gives one box and
  // the run goes on with the next channel once the box is closed.
  void send_all_tick();
  // Acknowledged pace: the next line as soon as the last one was answered
  // (or given up as No Connect, which stops the run); steps without a line
  // take no time.
  void send_all_ack_step();

  bool running() const { return running_; }
  bool holding_for_box() const { return *open_boxes_ > 0; }

 private:
  void show_run_warning(const std::string& text);
  void end_run();
  // The run stopped on an error answer or No Connect: say so and how far it got.
  void stopped(int step);
  void finished();
  std::string progress_text();
  DialogContext ctx_;
  int lines_sent_ = 0;    // lines this run has written
  bool running_ = false;  // this dialog started the run batch_step counts
  bool ack_ = false;      // the run waits for each answer
  SendAllCursor cursor_;  // where the run stands within its two-level phases
  std::shared_ptr<int> open_boxes_ = std::make_shared<int>(0);
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for posts that outlive the dialog
};

}  // namespace klvc
