// The step table of the send-all run and its pure arithmetic: which setting a
// step sends, how the two-level phases advance, the timer period of each tick
// and what a whole run amounts to for a model. No store, no link, no clock:
// the run (send_all.h), its dialog and the command line all walk this table.
#pragma once

#include <cstdint>

namespace klvc {

// What one tick does.
enum class SendAllAction {
  None,  // the step takes its tick and sends nothing
  BuzzerOutput,
  AlarmHoldTime,
  MemoryNumberDisplay,
  AlarmPolarity,
  AlarmReturn,
  PasswordMenu,
  PasswordOperation,
  PanelPassword,
  AlarmInputTerminal,  // index: terminal
  AlarmOutput,         // index: channel, inner: alarm output terminal
  SequenceLive,        // index: input, inner: output
  DwellTime,           // index: output
  DatetimeDisplay,     // index: output
  OutputRoute,         // index: output
  InputTitleDisplay,   // index: input
  OutputTitleDisplay,  // index: output
  SlowDown,            // nothing is sent; the timer goes to 500 ms
  ChannelTitle,        // index: channel
};

// The model count that bounds a step's index (or its inner index).
enum class SendAllLimit { None, Inputs, Outputs, AlarmInputTerminals, AlarmOutputTerminals };

// One row of the step table: steps first..last run `action` with
// index = step - first, sent only when index < limit.
struct SendAllStepRow {
  int first;
  int last;
  SendAllAction action;
  SendAllLimit limit;
  SendAllLimit inner;  // two-level phases stay on a step until this wraps
};

constexpr int kSendAllTimerId = 14;
constexpr int kSendAllFastPeriodMs = 80;
constexpr int kSendAllSlowPeriodMs = 500;
constexpr int kSendAllSlowDownStep = 330;
constexpr int kSendAllFirstTitleStep = 341;
constexpr int kSendAllAlarmOutputFirst = 73;
constexpr int kSendAllSequenceLiveLast = 200;
constexpr int kSendAllDwellTimeFirst = 202;

// Where a run stands: batch_step plus the inner counters of the two-level
// phases (the alarm output terminal within the current channel, the output
// within the current input).
struct SendAllCursor {
  int step = 1;
  int terminal = 0;
  int output = 0;
};

// What the tick at `cursor` does for `model`.
struct SendAllPlan {
  int step = 0;
  SendAllAction action = SendAllAction::None;
  int index = 0;
  int inner = 0;
  bool sends = false;  // false when the index lies beyond the model's count
};

SendAllPlan plan_send_all_tick(const SendAllCursor& cursor, int model);

// Moves the cursor past one tick, as the tick does after its action: the
// two-level phases first count their inner index, then the step moves on.
struct SendAllAdvance {
  int progress_pos = 0;   // bar position after the tick (0 once the run ends)
  bool finished = false;  // that tick was the last; the cursor's step is 0
};
SendAllAdvance advance_send_all_cursor(SendAllCursor& cursor, int model);

// Last step of a run, and the progress bar's upper bound.
int send_all_last_step(int model);
int send_all_progress_max(int model);

// Period of the timer that fires the tick at `step`.
inline int send_all_period_before(int step) {
  return step <= kSendAllSlowDownStep ? kSendAllFastPeriodMs : kSendAllSlowPeriodMs;
}

// A whole run, or what is left of one, counted by walking the table.
struct SendAllTotals {
  int fast_ticks = 0;
  int slow_ticks = 0;
  int commands = 0;  // ticks whose index lies within the model (a title or
                     // password that fails its check is still counted)
  std::int64_t scheduled_ms() const {
    return std::int64_t{fast_ticks} * kSendAllFastPeriodMs +
           std::int64_t{slow_ticks} * kSendAllSlowPeriodMs;
  }
};

SendAllTotals send_all_totals(int model);
// The ticks still to come from `cursor` on (the tick at `cursor` included).
SendAllTotals send_all_remaining(const SendAllCursor& cursor, int model);

}  // namespace klvc
