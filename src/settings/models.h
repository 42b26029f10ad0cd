// The models' sizes and names: what the switcher, its settings and the
// simulated switcher share.
#pragma once

namespace klvc {

// The arrays are always sized for the largest model.
constexpr int kMaxInputs = 64;
constexpr int kMaxOutputs = 16;
constexpr int kMaxAlarmInputTerminals = 24;
constexpr int kMaxAlarmOutputTerminals = 4;
constexpr int kModelCount = 5;
constexpr int kTitleMaxBytes = 32;      // Shift-JIS bytes of one channel title
constexpr int kPasswordLength = 6;

// The stored route of an output on the switcher's automatic sequence, whatever
// the model; never an input index. Only the settings file writes it as a
// number, the model's input count (see settings_layout.h).
constexpr int kRouteAuto = -1;

// Model table for any model 0..4.
int input_count_for(int model);
int output_count_for(int model);
int alarm_input_terminal_count_for(int model);
int alarm_output_terminal_count_for(int model);
const char* model_name(int model);  // "KLV-A".."KLV-E"

inline int sequence_live_index(int input, int output) { return input * kMaxOutputs + output; }
inline int alarm_output_index(int channel, int terminal) {
  return channel * kMaxAlarmOutputTerminals + terminal;
}
// The pair names an entry of sequence_live / alarm_outputs.
inline bool is_sequence_pair(int input, int output) {
  return input >= 0 && input < kMaxInputs && output >= 0 && output < kMaxOutputs;
}
inline bool is_alarm_output_pair(int channel, int terminal) {
  return channel >= 0 && channel < kMaxInputs && terminal >= 0 && terminal < kMaxAlarmOutputTerminals;
}

}  // namespace klvc
