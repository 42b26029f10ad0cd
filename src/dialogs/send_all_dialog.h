// The send-all dialog "全項目の設定": one button that sends every setting of the store
// to the switcher in one timed run (send_all.h), a progress bar over the
// whole run, and Close.
#pragma once

#include <memory>

#include "ui/dialog.h"

namespace klvc {

class CAllSettingsDlg : public ui::Dialog {
 public:
  static constexpr int kStartButton = 1075;  // "全設定"
  static constexpr int kProgressBar = 1029;

  CAllSettingsDlg();
  void on_command(int id, ui::Notify notify) override;
  void on_timer(int timer_id) override;
  // Closing during a run ends it: nothing more is sent and batch_step is 0.
  void on_end() override;

  // "全設定": starts a run unless a batch is running.
  void start_send_all();
  // One tick of the run (timer 14). Ticks that come while a warning box of
  // this run is open are skipped, so each refused title gives one box and
  // the run goes on with the next channel once the box is closed.
  void send_all_tick();

  bool running() const { return running_; }
  bool holding_for_box() const { return *open_boxes_ > 0; }

 private:
  void show_run_warning(const std::string& text);
  bool running_ = false;  // this dialog started the run batch_step counts
  std::shared_ptr<int> open_boxes_ = std::make_shared<int>(0);
};

}  // namespace klvc
