// The send-all run over the settings store: every setting of the current
// model, one command per timer tick, in the order of the step table
// (send_all_steps.h), each built by the dialog that owns the setting. The
// dialog "全項目の設定" and `klvc send-all` both drive their runs through here,
// so both write exactly the same lines.
//
// The run's position is batch_step (shared with the table dialogs, the link
// and the file commands) plus the inner counters of the two-level phases,
// which the dialog running it keeps. The run never waits for answers; an
// error answer (error_seen) stops it at the next tick.
#pragma once

#include <string>
#include <vector>

#include "dialogs/send_all_steps.h"

namespace klvc {

class Link;
struct DialogContext;
struct SwitcherSettings;

// The line of one planned tick from its owning builder, `s` and the model
// (body with CR LF).
// Returns false when nothing goes out: the step lies beyond the model, or the
// setting cannot be sent, in which case *warning gets the owning dialog's
// warning (a title that is not JIS text, a password that is too short).
bool send_all_line(const SwitcherSettings& s, int model, const SendAllPlan& plan, std::string* line,
                   std::string* warning);

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

// Every tick of a whole run, worked out ahead from `s` as it is now (a run
// from the command line does not change the settings while it runs):
// the same ticks, lines and warnings as the timer-driven run above.
struct SendAllScriptTick {
  SendAllPlan plan;
  std::string line;      // the body with CR LF; empty when nothing goes out
  std::string warning;   // a setting that cannot be sent
  int period_ms = 0;     // after the tick before: 80 ms, or 500 ms after the slow-down
  int progress_pos = 0;  // the bar after this tick (0 after the last)
};
std::vector<SendAllScriptTick> send_all_script(const SwitcherSettings& s, int model);

}  // namespace klvc
