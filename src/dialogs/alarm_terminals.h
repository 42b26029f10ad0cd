// Alarm terminals: the channel each alarm input terminal watches (the alarm
// input terminal dialog) and the alarm output terminals each channel's alarm
// drives (the alarm output terminal dialog).
#pragma once

#include <string>

#include "commands/alarm_commands.h"
#include "dialogs/pair_table_dialog.h"
#include "dialogs/table_dialog.h"

namespace klvc {

// Those commands built from the document and sent (nothing for an empty line).
void send_alarm_input_terminal(const DialogContext& ctx, int terminal);
void send_alarm_output(const DialogContext& ctx, int channel, int terminal);

// Painted row value of the output terminal table: "On "/"Of " per terminal
// 1..4; a model with three terminals gets a single blank for the fourth.
std::string alarm_output_cells(const SettingsStore& doc, int channel);

// The alarm input terminal dialog: one row per alarm input terminal of the
// model; assigning a channel also makes it the output terminal dialog's
// current channel.
class CAlarmInputDlg : public ListTableDialog {
 public:
  explicit CAlarmInputDlg(const DialogContext& ctx);

 protected:
  void value_written(int row, int value) override;
};

// The alarm output terminal dialog: a page of channels with their
// terminals' ON/OFF; Set sends every (channel, terminal) pair, one every
// 100 ms.
class CAlarmOutputDlg : public PairTableDialog {
 public:
  static constexpr int kChannelList = 1038;
  static constexpr int kTerminalList = 1042;
  static constexpr int kOnOffList = 1043;
  static constexpr int kSlaveList = 1041;

  explicit CAlarmOutputDlg(const DialogContext& ctx);
};

}  // namespace klvc
