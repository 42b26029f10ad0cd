#include "dialogs/auto_sequence.h"

#include "commands/command_fields.h"
#include "settings/store.h"

namespace klvc {
namespace {

int* live_flag(SettingsStore& doc, int input, int output) {
  if (!is_sequence_pair(input, output)) return nullptr;
  return &doc.sequence_live[static_cast<std::size_t>(sequence_live_index(input, output))];
}

std::vector<std::string> seconds_entries() {
  std::vector<std::string> v;
  for (int s = 1; s <= kMaxDwellSeconds; ++s) v.push_back(std::to_string(s));
  return v;
}

std::string dwell_cell(const SettingsStore& doc, int output) {
  return std::to_string(doc.dwell_times[static_cast<std::size_t>(output)] + 1) + " 秒";
}

const RowBinding kDwellTimes = {
    stored_selection<&Selections::current_output>, stored_row<&SwitcherSettings::dwell_times>,
    kMaxOutputs, dwell_cell, send_dwell_time, output_count_for};

std::string skip_live_cell(const SettingsStore& doc, int input) {
  const int output = doc.current_output;
  if (!is_sequence_pair(input, output)) return "";
  return doc.sequence_live[static_cast<std::size_t>(sequence_live_index(input, output))] != 0 ? "LIVE" : "SKIP";
}

// The table shows the selected output's column, so an output change repaints it.
const PairBinding kSkipLive = {
    CSkipLiveDlg::kOutputList, stored_selection<&Selections::current_input>,
    stored_selection<&Selections::current_output>, live_flag, skip_live_cell, true, output_count_for,
    send_sequence_live};

// The output list picks the column, the input list the row; no same-for-all list.
const TableDialogParams kSkipLiveParams = table_dialog_params(
    {"自動切換え", "自動切換えSKIP設定 File Name ", 1064, TableRows::Channels, 5, 100},
    {{CSkipLiveDlg::kOutputList, "出力チャンネル", ListKind::Outputs, {}},
     {CSkipLiveDlg::kInputList, "入力チャンネル", ListKind::Channels, {}},
     {CSkipLiveDlg::kSkipLiveList, "Skip/Live", ListKind::Fixed, {"SKIP", "LIVE"}},
     slave_number_list(CSkipLiveDlg::kSlaveList)},
    {CSkipLiveDlg::kInputList, CSkipLiveDlg::kSkipLiveList, 0});

// The same-for-all list opens at the entry "3"; the close button says "Cancel".
const TableDialogParams kDwellTimeParams = table_dialog_params(
    {"自動切換え時間", "自動切換え時間設定 File Name ", 1065, TableRows::Outputs, 6, 100, 2, "Cancel"},
    {{1047, "出力チャンネル", ListKind::Outputs, {}}, {1048, "時間", ListKind::Fixed, seconds_entries()},
     {1050, "同一時間", ListKind::Fixed, seconds_entries()}, slave_number_list(1034)},
    {1047, 1048, 1050});

}  // namespace

void send_sequence_live(const DialogContext& ctx, int input, int output) {
  send_built(ctx, sequence_live_command(ctx.doc, input, output));
}
void send_dwell_time(const DialogContext& ctx, int output) { send_built(ctx, dwell_time_command(ctx.doc, output)); }

// ---------------------------------------------------------------- CSkipLiveDlg

CSkipLiveDlg::CSkipLiveDlg(const DialogContext& ctx) : PairTableDialog(kSkipLiveParams, kSkipLive, ctx) {}

// ---------------------------------------------------------------- CDwellTimeDlg

CDwellTimeDlg::CDwellTimeDlg(const DialogContext& ctx) : ListTableDialog(kDwellTimeParams, kDwellTimes, ctx) {}

}  // namespace klvc
