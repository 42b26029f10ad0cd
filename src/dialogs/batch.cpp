#include "dialogs/batch.h"

#include "link/link.h"
#include "link/link_status.h"
#include "settings/store.h"

namespace klvc {

Batch::Batch(BatchHost& host) : host_(host), open_boxes_(std::make_shared<int>(0)) {}

Batch::~Batch() = default;

bool Batch::start() {
  if (link_status().batch_step.load() != 0) return false;
  inner_ = 0;
  clear_answer_lag();  // the end's "Success" speaks of this batch's answers only
  link_status().batch_step = 1;
  running_ = true;
  host_.start_batch_timer();
  host_.batch_running_changed(true);
  return true;
}

void Batch::stop() {
  running_ = false;
  inner_ = 0;
  host_.stop_batch_timer();
  host_.batch_running_changed(false);
}

void Batch::tick() {
  if (!running_ || held()) return;
  host_.before_batch_tick();
  LinkStatus& s = link_status();
  if (s.error_seen.load() != 0) {
    // The switcher refused a command: stop where we are, the bar shows how far we got.
    s.error_seen = 0;
    s.batch_step = 0;
    stop();
    return;
  }
  const BatchShape shape = host_.batch_shape();
  int step = s.batch_step.load();
  host_.send_batch_row(step - 1, inner_);
  if (++inner_ >= shape.inner) {
    inner_ = 0;
    ++step;
  }
  s.batch_step = step;
  host_.set_batch_progress(shape.rows, step - 1);
  if (step - 1 >= shape.rows) {
    s.batch_step = 0;
    stop();
    host_.set_batch_progress(shape.rows, 0);
  }
}

void Batch::abandon() {
  if (!running_) return;
  link_status().batch_step = 0;
  link_status().error_seen = 0;
  stop();
}

std::function<void(BoxResult)> Batch::hold_while_box_open() {
  ++*open_boxes_;
  std::weak_ptr<int> boxes = open_boxes_;
  return [boxes](BoxResult) {
    if (auto open = boxes.lock()) {
      if (*open > 0) --*open;
    }
  };
}

bool Batch::held() const { return *open_boxes_ > 0; }

}  // namespace klvc
