#include "dialogs/batch.h"

#include "link/link_log.h"
#include "link/link.h"
#include "link/messages.h"

namespace klvc {

void log_run(const std::string& what, const std::string& news) { log_link(LogDirection::Event, what + ": " + news); }

void ask_to_stop_run(const std::string& what, const std::string& progress, std::function<void()> stop) {
  BoxRequest question;
  question.text = "「" + what + "」の送信の途中です（" + progress + " まで）。\n送信を止めますか？";
  question.caption = "KLVC";
  question.icon = BoxIcon::Question;
  question.buttons = BoxButtons::YesNo;
  question.beep = false;
  question.default_no = true;  // a stray Enter lets the run go on
  message_sink().show_box(std::move(question), [stop = std::move(stop)](BoxResult answer) {
    if (answer == BoxResult::Yes) stop();
  });
}

Batch::Batch(BatchHost& host, Link& link) : host_(host), link_(link), open_boxes_(std::make_shared<int>(0)) {}

Batch::~Batch() = default;

std::string Batch::progress() const {
  const int step = link_.status().batch_step.load();
  return std::to_string(running_ && step > 0 ? step - 1 : 0) + "/" + std::to_string(host_.batch_shape().rows);
}

bool Batch::start() {
  // Only one batch at a time on a link, whoever started it.
  if (!link_.status().claim_batch()) return false;
  log_run(host_.batch_name(), "started, " + std::to_string(host_.batch_shape().rows) + " rows");
  // A run starts clean: an error answer to an earlier single command is not
  // this run's and must not stop it, unseen, before its first line.
  link_.status().error_seen = 0;
  inner_ = 0;
  link_.clear_answer_lag();  // the end's "Success" speaks of this batch's answers only
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
  LinkStatus& s = link_.status();
  if (s.error_seen.load() != 0) {
    // The switcher refused a command: stop where we are, the bar shows how far we got.
    log_run(host_.batch_name(), "stopped at " + progress() + ": an error answer or no answer");
    s.end_batch();
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
    log_run(host_.batch_name(), "finished, " + std::to_string(shape.rows) + " rows sent");
    s.batch_step = 0;
    stop();
    host_.set_batch_progress(shape.rows, 0);
  }
}

void Batch::abandon() {
  if (!running_) return;
  log_run(host_.batch_name(), "stopped at " + progress() + ": its dialog was closed");
  link_.status().end_batch();
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
