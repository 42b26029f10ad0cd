#include "commands/send_all_steps.h"

#include <iterator>

#include "settings/store.h"

namespace klvc {

namespace {

using A = SendAllAction;
using L = SendAllLimit;

// Settings that exist once come first, then the per-terminal, per-channel and
// per-output groups, a pause at the slower pace, and the titles last; in step
// order (step 201 has no row: no tick ever runs it).
constexpr SendAllStepRow kRows[] = {
    {1, 1, A::BuzzerOutput, L::None, L::None},
    {2, 2, A::AlarmHoldTime, L::None, L::None},
    {3, 3, A::MemoryNumberDisplay, L::None, L::None},
    {4, 4, A::AlarmPolarity, L::None, L::None},
    {5, 5, A::AlarmReturn, L::None, L::None},
    {6, 6, A::PasswordMenu, L::None, L::None},
    {7, 7, A::PasswordOperation, L::None, L::None},
    {8, 8, A::PanelPassword, L::None, L::None},
    {9, 72, A::AlarmInputTerminal, L::AlarmInputTerminals, L::None},
    {73, 136, A::AlarmOutput, L::Inputs, L::AlarmOutputTerminals},
    {137, 200, A::SequenceLive, L::Inputs, L::Outputs},
    {202, 217, A::DwellTime, L::Outputs, L::None},
    {218, 233, A::DatetimeDisplay, L::Outputs, L::None},
    {234, 249, A::OutputRoute, L::Outputs, L::None},
    {250, 313, A::InputTitleDisplay, L::Inputs, L::None},
    {314, 329, A::OutputTitleDisplay, L::Outputs, L::None},
    {330, 330, A::SlowDown, L::None, L::None},
    {331, 340, A::None, L::None, L::None},
    {341, 340 + kMaxInputs, A::ChannelTitle, L::Inputs, L::None},
};

int limit_of(SendAllLimit limit, int model) {
  switch (limit) {
    case L::Inputs: return input_count_for(model);
    case L::Outputs: return output_count_for(model);
    case L::AlarmInputTerminals: return alarm_input_terminal_count_for(model);
    case L::AlarmOutputTerminals: return alarm_output_terminal_count_for(model);
    case L::None: break;
  }
  return 1;
}

const SendAllStepRow* row_of(int step) {
  for (const SendAllStepRow& row : kRows) {
    if (step >= row.first && step <= row.last) return &row;
  }
  return nullptr;
}

}  // namespace

int send_all_last_step(int model) { return kSendAllFirstTitleStep - 1 + input_count_for(model); }

int send_all_progress_max(int model) { return kSendAllFirstTitleStep + input_count_for(model); }

SendAllPlan plan_send_all_tick(const SendAllCursor& cursor, int model) {
  SendAllPlan plan;
  plan.step = cursor.step;
  const SendAllStepRow* row = row_of(cursor.step);
  if (row == nullptr) return plan;
  plan.action = row->action;
  plan.index = cursor.step - row->first;
  if (row->inner == L::AlarmOutputTerminals) plan.inner = cursor.terminal;
  if (row->inner == L::Outputs) plan.inner = cursor.output;
  plan.sends = row->action != A::None && row->action != A::SlowDown &&
               (row->limit == L::None || plan.index < limit_of(row->limit, model));
  return plan;
}

SendAllAdvance advance_send_all_cursor(SendAllCursor& cursor, int model) {
  SendAllAdvance result;
  const SendAllStepRow* row = row_of(cursor.step);
  if (row != nullptr && row->action == A::AlarmInputTerminal) cursor.terminal = 0;
  if (row != nullptr && row->action == A::AlarmOutput) cursor.output = 0;

  // The two-level phases stay on one step until their inner index wraps.
  if (row != nullptr && row->inner == L::AlarmOutputTerminals) {
    if (++cursor.terminal >= limit_of(L::AlarmOutputTerminals, model)) {
      cursor.terminal = 0;
      ++cursor.step;
    }
  } else if (row != nullptr && row->inner == L::Outputs) {
    if (++cursor.output >= limit_of(L::Outputs, model)) {
      cursor.output = 0;
      ++cursor.step;
    }
  }
  result.progress_pos = cursor.step - 1;

  // Leaving the skip/live phase lands on 201, which moves on here at once.
  if (cursor.step < kSendAllAlarmOutputFirst || cursor.step > kSendAllSequenceLiveLast) {
    ++cursor.step;
  }
  if (cursor.step > send_all_last_step(model)) {
    cursor.step = 0;
    result.progress_pos = 0;
    result.finished = true;
  }
  return result;
}

SendAllTotals send_all_remaining(const SendAllCursor& from, int model) {
  SendAllTotals totals;
  SendAllCursor cursor = from;
  while (cursor.step >= 1 && cursor.step <= send_all_last_step(model)) {
    const SendAllPlan plan = plan_send_all_tick(cursor, model);
    if (send_all_period_before(plan.step) == kSendAllFastPeriodMs) {
      ++totals.fast_ticks;
    } else {
      ++totals.slow_ticks;
    }
    if (plan.sends) ++totals.commands;
    if (advance_send_all_cursor(cursor, model).finished) break;
  }
  return totals;
}

SendAllTotals send_all_totals(int model) { return send_all_remaining(SendAllCursor{}, model); }

}  // namespace klvc
