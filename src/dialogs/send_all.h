// The timed send-all run of the dialog "全項目の設定" over the document: one
// line per timer tick, taken from the same table and builders as
// `klvc send-all` (commands/send_all_lines.h).
//
// The run's position is batch_step (shared with the table dialogs, the link
// and the file commands) plus the inner counters of the two-level phases,
// which the dialog running it keeps. The run never waits for answers; an
// error answer (error_seen) stops it at the next tick.
#pragma once

#include <string>
#include <vector>

#include "commands/send_all_lines.h"
#include "commands/send_all_steps.h"

namespace klvc {

class Link;
struct DialogContext;

// "全設定": starts a run at step 1 on `link` unless a batch already runs
// there (then false and nothing changes). error_seen is left alone: the
// dialog clears it first.
bool begin_send_all(Link& link);

struct SendAllTick {
  bool ran = false;        // false: no run was active (batch_step 0)
  bool stopped = false;    // an error answer ended the run; nothing was sent
                           // and the bar stays where it was
  SendAllPlan plan;        // what this tick did (on a stop: only the step it
                           // would have run)
  std::string line;        // the line handed to send_command; empty if none
  std::string warning;     // a setting that could not be sent; the run goes on
  bool slow_down = false;  // the timer runs at 500 ms from now on
  bool finished = false;   // the last step is done; batch_step is 0
  int progress_max = 0;    // the bar's range is 0..progress_max
  int progress_pos = 0;
};

// One timer tick of the run over the context's document: the error stop, or
// the step's action (which sends its line on the context's link) and the
// move to the next step. `cursor` holds the inner counters between ticks (a
// fresh one for a new run); its step follows batch_step.
SendAllTick run_send_all_step(const DialogContext& ctx, SendAllCursor& cursor);

// Ends a running run at once (its dialog closed, or the command line was
// interrupted): batch_step and error_seen back to 0, nothing more is sent.
void abandon_send_all(Link& link);

}  // namespace klvc
