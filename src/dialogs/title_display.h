// Title overlays: whether each input's title is shown (the input title
// display dialog) and whether titles are shown on each output (the output
// title display dialog).
#pragma once

#include <string>

#include "commands/title_display_commands.h"
#include "dialogs/table_dialog.h"

namespace klvc {

// Those commands built from the document and sent (nothing for an empty line).
void send_input_title_display(const DialogContext& ctx, int input);
void send_output_title_display(const DialogContext& ctx, int output);

// Painted value of a display flag: "ON " (with a blank, as long as "OFF") or "OFF".
std::string on_off_cell(int value);

// The input title display dialog: one row per input channel, in pages of
// 32; Set sends every input of the model, one every 200 ms.
class CInputTitleDisplayDlg : public ListTableDialog {
 public:
  explicit CInputTitleDisplayDlg(const DialogContext& ctx);
};

// The output title display dialog: one row per output; Set sends every
// output of the model, one every 100 ms, re-reading the slave-number list
// before each.
class COutputTitleDisplayDlg : public ListTableDialog {
 public:
  explicit COutputTitleDisplayDlg(const DialogContext& ctx);
};

}  // namespace klvc
