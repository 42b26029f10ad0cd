#include "settings/store.h"

namespace klvc {

void reset_to_defaults(SwitcherSettings& s) {
  s = SwitcherSettings{};  // titles empty; every flag, lock and alarm selection 0
  s.alarm_hold_time = 9;   // "10"
  s.panel_password = "573920";
  for (int t = 0; t < kMaxAlarmInputTerminals; ++t) s.alarm_input_channels[t] = t;
  s.sequence_live.fill(1);
  for (int o = 0; o < kMaxOutputs; ++o) {
    s.dwell_times[o] = 3;  // 4 seconds
    s.output_routes[o] = o;
    s.output_title_display[o] = 1;
    s.datetime_display[o] = 1;
  }
  s.input_title_display.fill(1);
}

namespace {

// A model index outside the table (a hand-edited profile, say) counts as the
// first model, the profile's own default, so no count ever exceeds the arrays.
int known_model(int model) { return model >= 0 && model < kModelCount ? model : 0; }

}  // namespace

int input_count_for(int model) {
  model = known_model(model);
  if (model == 0) return 28;
  if (model == 1) return 24;
  return model * 16;
}

int output_count_for(int model) {
  model = known_model(model);
  if (model == 0) return 8;
  if (model == 1) return 12;
  return 16;
}

int alarm_input_terminal_count_for(int model) { return known_model(model) < 2 ? 16 : 24; }

int alarm_output_terminal_count_for(int model) { return (known_model(model) + 1) / 3 + 3; }

const char* model_name(int model) {
  static const char* const names[kModelCount] = {"KLV-A", "KLV-B", "KLV-C", "KLV-D", "KLV-E"};
  return names[known_model(model)];
}

}  // namespace klvc
