#include "dialogs/send_all.h"

#include "dialogs/alarm_settings.h"
#include "dialogs/alarm_terminals.h"
#include "dialogs/auto_sequence.h"
#include "dialogs/channel_title.h"
#include "dialogs/date_time.h"
#include "dialogs/dialog_context.h"
#include "dialogs/output_route.h"
#include "dialogs/password.h"
#include "dialogs/title_display.h"
#include "link/link.h"
#include "settings/store.h"

namespace klvc {

namespace {

int known_model(int model) { return model >= 0 && model < kModelCount ? model : 0; }

// The line of a setting that always goes out; an empty builder result (an
// index the builder refuses) sends nothing.
bool plain(std::string built, std::string* line) {
  *line = std::move(built);
  return !line->empty();
}

}  // namespace

bool send_all_line(const SwitcherSettings& s, int model, const SendAllPlan& plan, std::string* line,
                   std::string* warning) {
  line->clear();
  warning->clear();
  if (!plan.sends) return false;
  const int i = plan.index;
  switch (plan.action) {
    case SendAllAction::BuzzerOutput: return plain(buzzer_output_command(s), line);
    case SendAllAction::AlarmHoldTime: return plain(alarm_hold_time_command(s), line);
    case SendAllAction::MemoryNumberDisplay: return plain(memory_number_display_command(s), line);
    case SendAllAction::AlarmPolarity: return plain(alarm_polarity_command(s), line);
    case SendAllAction::AlarmReturn: return plain(alarm_return_command(s), line);
    case SendAllAction::PasswordMenu: return plain(password_menu_command(s), line);
    case SendAllAction::PasswordOperation: return plain(password_operation_command(s), line);
    case SendAllAction::PanelPassword:
      if (plain(panel_password_command(s), line)) return true;
      *warning = kPanelPasswordRule;
      return false;
    case SendAllAction::AlarmInputTerminal: return plain(alarm_input_terminal_command(s, i), line);
    case SendAllAction::AlarmOutput: return plain(alarm_output_command(s, i, plan.inner), line);
    case SendAllAction::SequenceLive: return plain(sequence_live_command(s, i, plan.inner), line);
    case SendAllAction::DwellTime: return plain(dwell_time_command(s, i), line);
    case SendAllAction::DatetimeDisplay: return plain(datetime_display_command(s, i), line);
    case SendAllAction::OutputRoute:
      return i >= 0 && i < kMaxOutputs &&
             plain(output_route_command(i, s.output_routes[static_cast<std::size_t>(i)], model), line);
    case SendAllAction::InputTitleDisplay: return plain(input_title_display_command(s, i), line);
    case SendAllAction::OutputTitleDisplay: return plain(output_title_display_command(s, i), line);
    case SendAllAction::ChannelTitle: {
      const bool stored = i >= 0 && i < kMaxInputs;
      TitleCommand built = title_command(i, stored ? s.channel_titles[static_cast<std::size_t>(i)] : std::string());
      if (built.refused != nullptr) *warning = built.refused;
      return plain(std::move(built.line), line);
    }
    case SendAllAction::None:
    case SendAllAction::SlowDown:
      break;
  }
  return false;
}

bool begin_send_all(Link& link) {
  LinkStatus& s = link.status();
  int idle = 0;
  // Only one batch at a time, whoever started it.
  if (!s.batch_step.compare_exchange_strong(idle, 1)) return false;
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

std::vector<SendAllScriptTick> send_all_script(const SwitcherSettings& s, int model) {
  std::vector<SendAllScriptTick> ticks;
  SendAllCursor cursor;
  for (bool finished = false; !finished;) {
    SendAllScriptTick t;
    t.plan = plan_send_all_tick(cursor, model);
    t.period_ms = send_all_period_before(cursor.step);
    send_all_line(s, model, t.plan, &t.line, &t.warning);
    const SendAllAdvance moved = advance_send_all_cursor(cursor, model);
    t.progress_pos = moved.progress_pos;
    finished = moved.finished;
    ticks.push_back(std::move(t));
  }
  return ticks;
}

void abandon_send_all(Link& link) {
  LinkStatus& s = link.status();
  s.batch_step = 0;
  s.error_seen = 0;
}

}  // namespace klvc
