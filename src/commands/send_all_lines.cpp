#include "commands/send_all_lines.h"

#include "commands/alarm_commands.h"
#include "commands/clock_commands.h"
#include "commands/password_commands.h"
#include "commands/route_commands.h"
#include "commands/sequence_commands.h"
#include "commands/title_commands.h"
#include "commands/title_display_commands.h"
#include "settings/store.h"

namespace klvc {
namespace {

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

}  // namespace klvc
