// The one process-wide settings store the screen works on: the switcher's
// settings and the operator's selections, kept apart so that code needing only
// one takes only that one.
#pragma once

#include <array>
#include <atomic>

#include <string>

#include "common/port_map.h"  // kComPortCount

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

// What the switcher holds: every setting saved in the settings file and sent
// by the dialogs and the send-all run.
struct SwitcherSettings {
  std::array<std::string, kMaxInputs> channel_titles;  // raw Shift-JIS bytes
  std::string panel_password;
  int password_operation = 0;
  int password_menu = 0;
  std::array<int, kMaxOutputs> output_title_display{};
  std::array<int, kMaxInputs> input_title_display{};
  std::array<int, kMaxOutputs> datetime_display{};
  std::array<int, kMaxOutputs> output_routes{};  // input index, or kRouteAuto
  std::array<int, kMaxOutputs> dwell_times{};     // list index 0..59 for 1..60 s
  std::array<int, kMaxInputs * kMaxOutputs> sequence_live{};             // [input * 16 + output]
  std::array<int, kMaxInputs * kMaxAlarmOutputTerminals> alarm_outputs{};  // [channel * 4 + terminal]
  std::array<int, kMaxAlarmInputTerminals> alarm_input_channels{};
  int memory_number_display = 0;
  int buzzer_output = 0;
  int alarm_return = 0;
  int alarm_polarity = 0;
  int alarm_hold_time = 0;  // list index 0..59 for "01".."60"
  // The alarm dialogs' last choices: the settings file keeps them too.
  int alarm_channel = 0;
  int alarm_output_terminal = 0;
  int alarm_input_terminal = 0;
};

// What the operator has chosen: the switcher addressed and where each dialog
// stands. Not in the settings file; model, port and interface are in the profile.
struct Selections {
  int model_index = 0;                 // 0..4 for KLV-A..KLV-E
  std::atomic<int> interface_mode{0};  // 0 RS-232C, 1 RS-485; read by the reader thread
  std::atomic<int> slave_number{0};    // RS-485 address 0..31
  int com_port_index = 0;              // 0..5 for COM1..COM6
  int current_output = 0;
  int current_input = 0;
  int current_channel = 0;
};

// The screen's one document: the settings, the selections, and the file they
// came from. The link's own flags live with the link (link_status()).
struct SettingsStore : SwitcherSettings, Selections {
  std::string file_name;
  int modified = 0;  // a channel title was edited since the last load or save
};

// The single shared instance.
SettingsStore& store();

// Every setting back to its default; file_name and titles empty. Leaves the
// selections (model, interface, port, slave, current rows) and `modified`.
void reset_to_defaults();
// The same for any settings: every setting its default, titles empty.
void reset_to_defaults(SwitcherSettings& s);

// Test helper: the store of a fresh process (selections zero) plus defaults;
// the link's flags are link_status().reset().
void reset_whole_store();

// Model table for the current model_index.
int input_count();
int output_count();
int alarm_input_terminal_count();
int alarm_output_terminal_count();

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

}  // namespace klvc
