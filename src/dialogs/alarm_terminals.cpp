#include "dialogs/alarm_terminals.h"

#include "dialogs/command_fields.h"
#include "settings/store.h"

namespace klvc {
namespace {

bool valid_pair(int channel, int terminal) {
  return channel >= 0 && channel < kMaxInputs && terminal >= 0 && terminal < kMaxAlarmOutputTerminals;
}

int* output_flag(int channel, int terminal) {
  if (!valid_pair(channel, terminal)) return nullptr;
  return &store().alarm_outputs[static_cast<std::size_t>(alarm_output_index(channel, terminal))];
}

std::string input_channel_cell(int terminal) {
  return std::to_string(store().alarm_input_channels[static_cast<std::size_t>(terminal)] + 1);
}

const RowBinding kAlarmInputChannels = {
    stored_selection<&Selections::alarm_input_terminal>, stored_row<&SwitcherSettings::alarm_input_channels>,
    kMaxAlarmInputTerminals, input_channel_cell, send_alarm_input_terminal, alarm_input_terminal_count};

// Every row shows all its terminals, so a terminal change leaves the table as it is.
const PairBinding kAlarmOutputs = {
    CAlarmOutputDlg::kTerminalList, stored_selection<&Selections::alarm_channel>,
    stored_selection<&Selections::alarm_output_terminal>, output_flag, alarm_output_cells, false,
    alarm_output_terminal_count, send_alarm_output};

}  // namespace

std::string alarm_input_terminal_command(const SwitcherSettings& s, int terminal) {
  if (terminal < 0 || terminal >= kMaxAlarmInputTerminals) return {};
  const int channel = s.alarm_input_channels[static_cast<std::size_t>(terminal)];
  if (channel < 0 || channel >= kMaxInputs) return {};
  std::string line = "AIS0101\r\n";
  put_two_digits(line, 3, terminal + 1);
  put_two_digits(line, 5, channel + 1);
  return line;
}

std::string alarm_output_command(const SwitcherSettings& s, int channel, int terminal) {
  if (!valid_pair(channel, terminal)) return {};
  std::string line = "AMO0101OF\r\n";
  put_two_digits(line, 3, channel + 1);
  line[6] = static_cast<char>('1' + terminal);
  put_on_off(line, 7, s.alarm_outputs[static_cast<std::size_t>(alarm_output_index(channel, terminal))] != 0);
  return line;
}

void send_alarm_input_terminal(int terminal) { send_built(alarm_input_terminal_command(store(), terminal)); }
void send_alarm_output(int channel, int terminal) { send_built(alarm_output_command(store(), channel, terminal)); }

std::string alarm_output_cells(int channel) {
  std::string cells;
  for (int t = 0; t < kMaxAlarmOutputTerminals; ++t) {
    const int* flag = output_flag(channel, t);
    if (t >= alarm_output_terminal_count()) {
      cells += " ";
    } else {
      cells += flag != nullptr && *flag != 0 ? "On " : "Of ";
    }
  }
  return cells;
}

const TableDialogParams& alarm_input_params() {
  static const TableDialogParams p = [] {
    TableDialogParams t;
    t.title = "アラーム入力端子";
    t.caption = "入力アラーム設定 File Name ";
    t.table_id = 1036;
    t.rows = TableRows::AlarmInputTerminals;
    t.lists = {
        {1037, "入力端子", ListKind::AlarmInputTerminals, {}},
        {1038, "入力チャンネル", ListKind::Channels, {}},
        {1039, "同一チャンネル", ListKind::Channels, {}},
        {1040, "スレーブ番号", ListKind::SlaveNumbers, {}},
    };
    t.row_list = 1037;
    t.value_list = 1038;
    t.same_list = 1039;
    t.slave_list = 1040;
    t.timer_id = 3;
    t.period_ms = 100;
    return t;
  }();
  return p;
}

const TableDialogParams& alarm_output_params() {
  static const TableDialogParams p = [] {
    TableDialogParams t;
    t.title = "アラーム出力端子";
    // The output terminal dialog carries the input terminal dialog's caption text.
    t.caption = "入力アラーム設定 File Name ";
    t.table_id = 1063;
    t.rows = TableRows::Channels;
    t.lists = {
        {CAlarmOutputDlg::kChannelList, "入力チャンネル", ListKind::Channels, {}},
        {CAlarmOutputDlg::kTerminalList, "出力端子", ListKind::AlarmOutputTerminals, {}},
        {CAlarmOutputDlg::kOnOffList, "ON/OFF", ListKind::Fixed, {"OFF", "ON"}},
        {CAlarmOutputDlg::kSlaveList, "スレーブ番号", ListKind::SlaveNumbers, {}},
    };
    t.row_list = CAlarmOutputDlg::kChannelList;
    t.value_list = CAlarmOutputDlg::kOnOffList;
    t.slave_list = CAlarmOutputDlg::kSlaveList;
    t.timer_id = 4;
    t.period_ms = 100;
    return t;
  }();
  return p;
}

// -------------------------------------------------------------- CAlarmInputDlg

CAlarmInputDlg::CAlarmInputDlg() : ListTableDialog(alarm_input_params(), kAlarmInputChannels) {}

void CAlarmInputDlg::value_written(int, int value) { store().alarm_channel = value; }

// ------------------------------------------------------------- CAlarmOutputDlg

CAlarmOutputDlg::CAlarmOutputDlg() : PairTableDialog(alarm_output_params(), kAlarmOutputs) {}

}  // namespace klvc
