#include "dialogs/title_display.h"

#include "commands/command_fields.h"
#include "settings/store.h"

namespace klvc {
namespace {

const std::vector<std::string> kOffOn = {"OFF", "ON"};

// The painted cell of a row of an on/off setting.
template <auto Field>
std::string on_off_row(const SettingsStore& doc, int row) {
  return on_off_cell((doc.*Field)[static_cast<std::size_t>(row)]);
}

const RowBinding kInputTitleDisplay = {
    stored_selection<&Selections::current_input>, stored_row<&SwitcherSettings::input_title_display>, kMaxInputs,
    on_off_row<&SwitcherSettings::input_title_display>, send_input_title_display, input_count_for};

const RowBinding kOutputTitleDisplay = {
    stored_selection<&Selections::current_output>, stored_row<&SwitcherSettings::output_title_display>, kMaxOutputs,
    on_off_row<&SwitcherSettings::output_title_display>, send_output_title_display, output_count_for};

const TableDialogParams kInputTitleDisplayParams = table_dialog_params(
    {"入力タイトル表示", "入力タイトル表示設定 File Name ", 1054, TableRows::Channels, 9, 200},
    {{1055, "入力チャンネル", ListKind::Channels, {}}, {1057, "表示", ListKind::Fixed, kOffOn},
     {1058, "同一表示", ListKind::Fixed, kOffOn}, slave_number_list(1056)},
    {1055, 1057, 1058});

// The output dialog carries the input dialog's caption text and reads the
// slave-number list again before each command of its batch.
const TableDialogParams kOutputTitleDisplayParams = table_dialog_params(
    {"出力タイトル設定", "入力タイトル表示設定 File Name ", 1059, TableRows::Outputs, 10, 100, 0, "Close", true},
    {{1062, "出力チャンネル", ListKind::Outputs, {}}, {1061, "表示", ListKind::Fixed, kOffOn},
     {1060, "同一表示", ListKind::Fixed, kOffOn}, slave_number_list(1056)},
    {1062, 1061, 1060});

}  // namespace

void send_input_title_display(const DialogContext& ctx, int input) {
  send_built(ctx, input_title_display_command(ctx.doc, input));
}
void send_output_title_display(const DialogContext& ctx, int output) {
  send_built(ctx, output_title_display_command(ctx.doc, output));
}

std::string on_off_cell(int value) { return value != 0 ? "ON " : "OFF"; }

CInputTitleDisplayDlg::CInputTitleDisplayDlg(const DialogContext& ctx)
    : ListTableDialog(kInputTitleDisplayParams, kInputTitleDisplay, ctx) {}

COutputTitleDisplayDlg::COutputTitleDisplayDlg(const DialogContext& ctx)
    : ListTableDialog(kOutputTitleDisplayParams, kOutputTitleDisplay, ctx) {}

}  // namespace klvc
