#include "dialogs/alarm_terminals.h"

#include "dialogs/command_fields.h"
#include "link/link.h"
#include "settings/store.h"

namespace klvc {
namespace {

int* output_flag(int channel, int terminal) {
  if (channel < 0 || channel >= kMaxInputs || terminal < 0 || terminal >= kMaxAlarmOutputTerminals) return nullptr;
  return &store().alarm_outputs[static_cast<std::size_t>(alarm_output_index(channel, terminal))];
}

void send_line(const std::string& line) {
  if (!line.empty()) send_command(line);
}

const RowBinding kAlarmInputChannels = {
    []() -> int& { return store().alarm_input_terminal; },
    [](int row) -> int* {
      return row >= 0 && row < kMaxAlarmInputTerminals ? &store().alarm_input_channels[static_cast<std::size_t>(row)]
                                                       : nullptr;
    },
    kMaxAlarmInputTerminals,
    [](int row) { return std::to_string(store().alarm_input_channels[static_cast<std::size_t>(row)] + 1); },
    send_alarm_input_terminal,
    alarm_input_terminal_count,
};

}  // namespace

std::string alarm_input_terminal_command(int terminal) {
  if (terminal < 0 || terminal >= kMaxAlarmInputTerminals) return {};
  const int channel = store().alarm_input_channels[static_cast<std::size_t>(terminal)];
  if (channel < 0 || channel >= kMaxInputs) return {};
  std::string line = "AIS0101\r\n";
  put_two_digits(line, 3, terminal + 1);
  put_two_digits(line, 5, channel + 1);
  return line;
}

std::string alarm_output_command(int channel, int terminal) {
  const int* flag = output_flag(channel, terminal);
  if (flag == nullptr) return {};
  std::string line = "AMO0101OF\r\n";
  put_two_digits(line, 3, channel + 1);
  line[6] = static_cast<char>('1' + terminal);
  put_on_off(line, 7, *flag != 0);
  return line;
}

void send_alarm_input_terminal(int terminal) { send_line(alarm_input_terminal_command(terminal)); }
void send_alarm_output(int channel, int terminal) { send_line(alarm_output_command(channel, terminal)); }

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
    t.resource = 145;
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
    t.resource = 146;
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

CAlarmOutputDlg::CAlarmOutputDlg() : TableDialog(alarm_output_params()) {}

void CAlarmOutputDlg::select_on_off_list() {
  const int* flag = output_flag(store().alarm_channel, store().alarm_output_terminal);
  combo(kOnOffList).select(flag != nullptr ? *flag : -1);
}

void CAlarmOutputDlg::on_init() {
  open_slave_list();
  select_then_cut(kChannelList, store().alarm_channel);
  select_then_cut(kTerminalList, store().alarm_output_terminal);
  select_on_off_list();
  paint_table();
}

void CAlarmOutputDlg::on_command(int id, ui::Notify notify) {
  if (id == kIdSet && notify == ui::Notify::Clicked) {
    start_batch();
    return;
  }
  if (notify != ui::Notify::SelChange) return;
  const int sel = combo(id).selection();
  if (sel < 0) return;
  switch (id) {
    case kChannelList:
      store().alarm_channel = sel;
      select_on_off_list();
      if (input_count() > 32) paint_table();  // the page may change
      break;
    case kTerminalList:
      store().alarm_output_terminal = sel;
      select_on_off_list();
      break;
    case kOnOffList:
      if (int* flag = output_flag(store().alarm_channel, store().alarm_output_terminal)) {
        *flag = sel;
        paint_table();
      }
      break;
    case kSlaveList:
      store().slave_number = sel;
      break;
    default:
      break;
  }
}

void CAlarmOutputDlg::paint_rows() {
  const int start = channel_page_start(store().alarm_channel);
  for (int i = 0; i < channel_page_rows(start); ++i) {
    draw_row(i, row_label("ch", start + i) + " = " + alarm_output_cells(start + i));
  }
}

BatchShape CAlarmOutputDlg::batch_shape() const { return {input_count(), alarm_output_terminal_count()}; }

void CAlarmOutputDlg::send_batch_row(int row, int inner) { send_alarm_output(row, inner); }

}  // namespace klvc
