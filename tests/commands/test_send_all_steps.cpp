// The send-all step table on its own: what each tick sends, in which order,
// at which pace, and what a whole run amounts to for every model.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "commands/send_all_steps.h"
#include "support/send_all_figures.h"

namespace klvc {
namespace {

using A = SendAllAction;

struct Tick {
  SendAllPlan plan;
  SendAllAdvance after;
};

std::vector<Tick> walk(int model) {
  std::vector<Tick> ticks;
  SendAllCursor cursor;
  for (int guard = 0; guard < 5000; ++guard) {
    Tick t;
    t.plan = plan_send_all_tick(cursor, model);
    t.after = advance_send_all_cursor(cursor, model);
    ticks.push_back(t);
    if (t.after.finished) break;
  }
  return ticks;
}

std::vector<std::pair<int, int>> sent_pairs(const std::vector<Tick>& ticks, SendAllAction action) {
  std::vector<std::pair<int, int>> pairs;
  for (const Tick& t : ticks) {
    if (t.plan.action == action && t.plan.sends) pairs.emplace_back(t.plan.index, t.plan.inner);
  }
  return pairs;
}

using testing::kSendAllFigures;

TEST(SendAllSteps, WholeRunOfEveryModelHasTheFixedTicksCommandsAndDuration) {
  for (int model = 0; model < 5; ++model) {
    SCOPED_TRACE(model);
    const SendAllTotals totals = send_all_totals(model);
    EXPECT_EQ(totals.fast_ticks, kSendAllFigures[model].fast_ticks);
    EXPECT_EQ(totals.slow_ticks, kSendAllFigures[model].slow_ticks);
    EXPECT_EQ(totals.commands, kSendAllFigures[model].commands);
    EXPECT_EQ(totals.scheduled_ms(), kSendAllFigures[model].scheduled_ms);
    EXPECT_EQ((totals.scheduled_ms() + 50) / 100, kSendAllFigures[model].nominal_tenths);
    EXPECT_EQ(send_all_progress_max(model), kSendAllFigures[model].progress_max);

    const std::vector<Tick> ticks = walk(model);
    EXPECT_EQ(static_cast<int>(ticks.size()), totals.fast_ticks + totals.slow_ticks);
  }
}

TEST(SendAllSteps, FirstEightTicksSendTheSingleSettingsInOrder) {
  const std::vector<Tick> ticks = walk(0);
  const A expected[] = {A::BuzzerOutput,      A::AlarmHoldTime, A::MemoryNumberDisplay,
                        A::AlarmPolarity,     A::AlarmReturn,   A::PasswordMenu,
                        A::PasswordOperation, A::PanelPassword};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(ticks[i].plan.step, i + 1);
    EXPECT_EQ(ticks[i].plan.action, expected[i]);
    EXPECT_TRUE(ticks[i].plan.sends);
  }
}

TEST(SendAllSteps, ModelAAlarmAndSequencePhasesSendOnlyWhatTheModelHas) {
  const std::vector<Tick> ticks = walk(0);
  // Steps 9..24 send terminals 1..16; 25..72 pass without sending.
  std::vector<std::pair<int, int>> terminals = sent_pairs(ticks, A::AlarmInputTerminal);
  ASSERT_EQ(terminals.size(), 16u);
  for (int t = 0; t < 16; ++t) EXPECT_EQ(terminals[t].first, t);
  EXPECT_TRUE(ticks[23].plan.sends);   // step 24
  EXPECT_FALSE(ticks[24].plan.sends);  // step 25
  EXPECT_EQ(ticks[71].plan.step, 72);

  // Alarm outputs: 64 x 3 ticks, channel-major, 28 x 3 sent.
  int alarm_ticks = 0;
  for (const Tick& t : ticks) alarm_ticks += t.plan.action == A::AlarmOutput;
  EXPECT_EQ(alarm_ticks, 192);
  std::vector<std::pair<int, int>> alarm = sent_pairs(ticks, A::AlarmOutput);
  ASSERT_EQ(alarm.size(), 84u);
  EXPECT_EQ(alarm[0], std::make_pair(0, 0));
  EXPECT_EQ(alarm[2], std::make_pair(0, 2));
  EXPECT_EQ(alarm[3], std::make_pair(1, 0));
  EXPECT_EQ(alarm[83], std::make_pair(27, 2));

  // Skip/live: 64 x 8 ticks, input-major with the outputs inside, 28 x 8 sent.
  int live_ticks = 0;
  for (const Tick& t : ticks) live_ticks += t.plan.action == A::SequenceLive;
  EXPECT_EQ(live_ticks, 512);
  std::vector<std::pair<int, int>> live = sent_pairs(ticks, A::SequenceLive);
  ASSERT_EQ(live.size(), 224u);
  EXPECT_EQ(live[7], std::make_pair(0, 7));
  EXPECT_EQ(live[8], std::make_pair(1, 0));
  EXPECT_EQ(live[223], std::make_pair(27, 7));
}

TEST(SendAllSteps, StepAfterTheSequencePhaseIsSkippedAndThePaceChangesAt330) {
  const std::vector<Tick> ticks = walk(4);
  std::vector<int> steps;
  for (const Tick& t : ticks) {
    if (steps.empty() || steps.back() != t.plan.step) steps.push_back(t.plan.step);
  }
  // Every step from 1 to 404 runs once in order, except 201.
  ASSERT_EQ(steps.size(), 403u);
  for (std::size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(steps[i], static_cast<int>(i) + (i < 200 ? 1 : 2));
  }
  EXPECT_EQ(send_all_period_before(330), 80);
  EXPECT_EQ(send_all_period_before(331), 500);
  for (const Tick& t : ticks) {
    if (t.plan.step == 330) {
      EXPECT_EQ(t.plan.action, A::SlowDown);
    }
    if (t.plan.step > 330 && t.plan.step < 341) {
      EXPECT_FALSE(t.plan.sends);
    }
  }
}

TEST(SendAllSteps, ProgressFollowsTheStepAndReturnsToZeroAtTheEnd) {
  const std::vector<Tick> ticks = walk(0);
  EXPECT_EQ(ticks[0].after.progress_pos, 0);
  EXPECT_EQ(ticks[7].after.progress_pos, 7);
  // Within a two-level phase the bar moves once per completed channel.
  EXPECT_EQ(ticks[72].after.progress_pos, 72);  // step 73, terminal 1 of 3
  EXPECT_EQ(ticks[74].after.progress_pos, 73);  // step 73 done
  // The last title is step 368 (bar at 366 after step 367); then back to 0.
  const Tick& before_last = ticks[ticks.size() - 2];
  EXPECT_EQ(before_last.after.progress_pos, 366);
  EXPECT_FALSE(before_last.after.finished);
  EXPECT_TRUE(ticks.back().after.finished);
  EXPECT_EQ(ticks.back().after.progress_pos, 0);
}

TEST(SendAllSteps, RemainingCountsFromAnyPointOfTheRun) {
  SendAllCursor titles;
  titles.step = 341;
  const SendAllTotals left = send_all_remaining(titles, 0);
  EXPECT_EQ(left.fast_ticks, 0);
  EXPECT_EQ(left.slow_ticks, 28);
  EXPECT_EQ(left.commands, 28);

  SendAllCursor mid_alarm;
  mid_alarm.step = 136;
  mid_alarm.terminal = 2;  // last terminal of the last alarm step (model 0)
  const SendAllTotals rest = send_all_remaining(mid_alarm, 0);
  EXPECT_EQ(rest.fast_ticks, 1 + 512 + 128 + 1);
  EXPECT_EQ(rest.slow_ticks, 38);

  SendAllCursor idle;
  idle.step = 0;
  EXPECT_EQ(send_all_remaining(idle, 0).scheduled_ms(), 0);
}

}  // namespace
}  // namespace klvc
