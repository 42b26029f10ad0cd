// Two-level table dialogs: a page of channels (the outer list) with one flag
// per (channel, inner row), an inner row list choosing which flag the flag
// list edits, and the slave-number list. Set sends every pair of the model,
// channel 1 with inner rows 1.. first; the bar counts channels.
#pragma once

#include <string>

#include "dialogs/table_dialog.h"

namespace klvc {

// How a two-level dialog reaches its flags. The outer and flag lists are the
// parameter row's row_list and value_list.
struct PairBinding {
  int inner_list;
  int& (*outer)(SettingsStore& doc);  // the shared selections (current_input, ...)
  int& (*inner)(SettingsStore& doc);
  int* (*flag)(SettingsStore& doc, int outer, int inner);       // nullptr outside the document
  std::string (*row_value)(const SettingsStore& doc, int outer);  // painted after "chNN = "
  bool inner_repaints;            // whether the table shows the inner row's flags
  int (*inner_count)(int model);  // inner rows Set sends per channel
  void (*send)(const DialogContext& ctx, int outer, int inner);
};

class PairTableDialog : public TableDialog {
 public:
  PairTableDialog(const TableDialogParams& params, const PairBinding& binding, const DialogContext& ctx);

  void on_init() override;
  void on_command(int id, ui::Notify notify) override;

 protected:
  void paint_rows() override;
  BatchShape batch_shape() const override;
  void send_batch_row(int row, int inner) override;

 private:
  void select_flag_list();
  const PairBinding& binding_;
};

}  // namespace klvc
