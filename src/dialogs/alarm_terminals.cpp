#include "dialogs/alarm_terminals.h"

#include "commands/command_fields.h"
#include "settings/store.h"

namespace klvc {
namespace {

int* output_flag(SettingsStore& doc, int channel, int terminal) {
  if (!is_alarm_output_pair(channel, terminal)) return nullptr;
  return &doc.alarm_outputs[static_cast<std::size_t>(alarm_output_index(channel, terminal))];
}

std::string input_channel_cell(const SettingsStore& doc, int terminal) {
  return std::to_string(doc.alarm_input_channels[static_cast<std::size_t>(terminal)] + 1);
}

const RowBinding kAlarmInputChannels = {
    stored_selection<&SwitcherSettings::alarm_input_terminal>, stored_row<&SwitcherSettings::alarm_input_channels>,
    kMaxAlarmInputTerminals, input_channel_cell, send_alarm_input_terminal, alarm_input_terminal_count_for};

// Every row shows all its terminals, so a terminal change leaves the table as it is.
const PairBinding kAlarmOutputs = {
    CAlarmOutputDlg::kTerminalList, stored_selection<&SwitcherSettings::alarm_channel>,
    stored_selection<&SwitcherSettings::alarm_output_terminal>, output_flag, alarm_output_cells, false,
    alarm_output_terminal_count_for, send_alarm_output};

const TableDialogParams kAlarmInputParams = table_dialog_params(
    {"アラーム入力端子", "入力アラーム設定 File Name ", 1036, TableRows::AlarmInputTerminals, 3, 100},
    {{1037, "入力端子", ListKind::AlarmInputTerminals, {}}, {1038, "入力チャンネル", ListKind::Channels, {}},
     {1039, "同一チャンネル", ListKind::Channels, {}}, slave_number_list(1040)},
    {1037, 1038, 1039});

// The output terminal dialog carries the input terminal dialog's caption text.
using Out = CAlarmOutputDlg;
const TableDialogParams kAlarmOutputParams = table_dialog_params(
    {"アラーム出力端子", "入力アラーム設定 File Name ", 1063, TableRows::Channels, 4, 100},
    {{Out::kChannelList, "入力チャンネル", ListKind::Channels, {}},
     {Out::kTerminalList, "出力端子", ListKind::AlarmOutputTerminals, {}},
     {Out::kOnOffList, "ON/OFF", ListKind::Fixed, {"OFF", "ON"}}, slave_number_list(Out::kSlaveList)},
    {Out::kChannelList, Out::kOnOffList, 0});

}  // namespace

void send_alarm_input_terminal(const DialogContext& ctx, int terminal) {
  send_built(ctx, alarm_input_terminal_command(ctx.doc, terminal));
}
void send_alarm_output(const DialogContext& ctx, int channel, int terminal) {
  send_built(ctx, alarm_output_command(ctx.doc, channel, terminal));
}

std::string alarm_output_cells(const SettingsStore& doc, int channel) {
  std::string cells;
  for (int t = 0; t < kMaxAlarmOutputTerminals; ++t) {
    if (t >= alarm_output_terminal_count_for(doc.model_index)) {
      cells += " ";
    } else {
      const bool on =
          is_alarm_output_pair(channel, t) && doc.alarm_outputs[static_cast<std::size_t>(alarm_output_index(channel, t))] != 0;
      cells += on ? "On " : "Of ";
    }
  }
  return cells;
}

// -------------------------------------------------------------- CAlarmInputDlg

CAlarmInputDlg::CAlarmInputDlg(const DialogContext& ctx)
    : ListTableDialog(kAlarmInputParams, kAlarmInputChannels, ctx) {}

void CAlarmInputDlg::value_written(int, int value) { doc().alarm_channel = value; }

// ------------------------------------------------------------- CAlarmOutputDlg

CAlarmOutputDlg::CAlarmOutputDlg(const DialogContext& ctx) : PairTableDialog(kAlarmOutputParams, kAlarmOutputs, ctx) {}

}  // namespace klvc
