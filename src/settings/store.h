// The settings document: the switcher's settings and the operator's
// selections, kept apart so that code needing only one takes only that one.
// Whoever works on a document owns it (the screen's application, a send-all
// run, a test) and hands it on; there is no shared instance.
#pragma once

#include <array>
#include <atomic>

#include <string>

#include "common/port_map.h"  // kComPortCount
#include "settings/models.h"

namespace klvc {

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

// A document: the settings, the selections, and the file they came from. The
// screen's application keeps exactly one. The link's own flags live with the
// link (link_status()).
struct SettingsStore : SwitcherSettings, Selections {
  std::string file_name;
  int modified = 0;  // a channel title was edited since the last load or save
};

// Every setting back to its default, titles empty. A document's selections,
// file_name and `modified` are not settings and stay as they are.
void reset_to_defaults(SwitcherSettings& s);

}  // namespace klvc
