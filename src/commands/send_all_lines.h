// The lines of a send-all run: every setting of a model, one command per
// tick, in the order of the step table (send_all_steps.h), each built by its
// setting's builder. The dialog "全項目の設定" and `klvc send-all` both take
// their lines from here, so both write exactly the same lines.
#pragma once

#include <string>
#include <vector>

#include "commands/send_all_steps.h"

namespace klvc {

struct SwitcherSettings;

// The line of one planned tick from its owning builder, `s` and the model
// (body with CR LF).
// Returns false when nothing goes out: the step lies beyond the model, or the
// setting cannot be sent, in which case *warning gets the owning dialog's
// warning (a title that is not JIS text, a password that is too short).
bool send_all_line(const SwitcherSettings& s, int model, const SendAllPlan& plan, std::string* line,
                   std::string* warning);

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
