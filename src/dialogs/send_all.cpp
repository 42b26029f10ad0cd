#include "dialogs/send_all.h"

#include "commands/send_all_lines.h"
#include "dialogs/dialog_context.h"
#include "link/link.h"
#include "settings/store.h"

namespace klvc {

namespace {

int known_model(int model) { return model >= 0 && model < kModelCount ? model : 0; }

}  // namespace

bool begin_send_all(Link& link) {
  // Only one batch at a time, whoever started it.
  if (!link.status().claim_batch()) return false;
  link.clear_answer_lag();  // the end's "Success" speaks of this run's answers only
  return true;
}

SendAllTick run_send_all_step(const DialogContext& ctx, SendAllCursor& cursor) {
  LinkStatus& s = ctx.link.status();
  SendAllTick tick;
  const int model = known_model(ctx.doc.model_index);
  cursor.step = s.batch_step;
  if (cursor.step <= 0) return tick;
  tick.ran = true;
  tick.progress_max = send_all_progress_max(model);

  if (s.error_seen != 0) {
    s.error_seen = 0;
    s.batch_step = 0;
    tick.stopped = true;
    tick.plan.step = cursor.step;
    return tick;
  }

  tick.plan = plan_send_all_tick(cursor, model);
  tick.slow_down = tick.plan.action == SendAllAction::SlowDown;
  std::string line;
  if (send_all_line(ctx.doc, model, tick.plan, &line, &tick.warning)) {
    send_line(ctx, line);
    tick.line = std::move(line);
  }

  const SendAllAdvance moved = advance_send_all_cursor(cursor, model);
  s.batch_step = cursor.step;
  tick.progress_pos = moved.progress_pos;
  tick.finished = moved.finished;
  return tick;
}

void abandon_send_all(Link& link) { link.status().end_batch(); }

}  // namespace klvc
