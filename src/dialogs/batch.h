// The timed batch of the table dialogs: Set starts it, every timer tick sends
// one command, the progress bar follows, and an error answer from the switcher
// stops it at the next tick.
//
// batch_step (in the link's status) is 0 while idle, otherwise 1 + the outer row that
// the next tick sends; it is shared with the link (which keeps quiet about
// "GO" while it is non-zero), the send-all run and the file commands. A
// two-level batch (input x output, channel x terminal) also counts an inner
// row; the progress bar and the end test count outer rows only.
//
// The batch itself knows no screen: its host (the dialog) starts and stops the
// timer, moves the progress bar and builds each command.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/box_result.h"

namespace klvc {

class Link;

struct BatchShape {
  int rows = 0;   // outer rows of the current model (the progress range)
  int inner = 1;  // inner rows per outer row; 1 for a single-level batch
};

class BatchHost {
 public:
  virtual ~BatchHost() = default;
  virtual BatchShape batch_shape() const = 0;
  // Builds and sends the command of one (outer, inner) row.
  virtual void send_batch_row(int row, int inner) = 0;
  virtual void start_batch_timer() = 0;
  virtual void stop_batch_timer() = 0;
  virtual void set_batch_progress(int range, int pos) = 0;
  // Run at the start of every tick that goes ahead, before the error check
  // (dialogs that re-read their slave-number list at each tick do it here).
  virtual void before_batch_tick() {}
  // The batch started (true) or ended, stopped or was abandoned (false).
  virtual void batch_running_changed(bool running) { (void)running; }
  // What the run is called in the log ("出力切換え").
  virtual std::string batch_name() const { return "一括送信"; }
};

// Asks the operator (Yes/No, No by default) whether to stop the run `what`
// that stands at `progress` ("5/16"); on Yes runs `stop` and says how far the
// run got. User-interface thread.
void ask_to_stop_run(const std::string& what, const std::string& progress, std::function<void()> stop);
// "全項目の設定: stopped by the operator at 5/16" in the link's log.
void log_run(const std::string& what, const std::string& news);

class Batch {
 public:
  // The run's flags are `link`'s status; its lines go out on `link`.
  Batch(BatchHost& host, Link& link);
  ~Batch();
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;

  // Set: does nothing and returns false while any batch runs (batch_step set).
  // The first command goes out at the first tick, one period later.
  // error_seen is cleared: an error answer to an earlier command is not this run's.
  bool start();

  // One timer tick. Ticks while the batch is idle, or while a message box
  // that this batch raised is still open, do nothing.
  void tick();

  // The dialog is closing: a running batch ends here and now (timer stopped,
  // batch_step and error_seen back to 0), so nothing more is sent and the rest
  // of the program sees no batch running.
  void abandon();

  bool running() const { return running_; }
  int inner_step() const { return inner_; }
  // "5/16": outer rows done of the rows of the run.
  std::string progress() const;

  // For a message box raised from inside a tick: pass the result as the box's
  // on_close. Ticks are skipped until the box has been closed, so a box cannot
  // pile up behind another. Safe to call after the batch is gone.
  std::function<void(BoxResult)> hold_while_box_open();
  bool held() const;

 private:
  void stop();
  BatchHost& host_;
  Link& link_;
  bool running_ = false;
  int inner_ = 0;
  std::shared_ptr<int> open_boxes_;
};

}  // namespace klvc
