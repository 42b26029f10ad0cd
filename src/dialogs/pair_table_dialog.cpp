#include "dialogs/pair_table_dialog.h"


namespace klvc {

PairTableDialog::PairTableDialog(const TableDialogParams& params, const PairBinding& binding,
                                 const DialogContext& ctx)
    : TableDialog(params, ctx), binding_(binding) {}

void PairTableDialog::select_flag_list() {
  const int* flag = binding_.flag(doc(), binding_.outer(doc()), binding_.inner(doc()));
  combo(params().value_list).select(flag != nullptr ? *flag : -1);
}

void PairTableDialog::on_init() {
  open_slave_list();
  select_then_cut(params().row_list, binding_.outer(doc()));
  select_then_cut(binding_.inner_list, binding_.inner(doc()));
  select_flag_list();
  paint_table();
}

void PairTableDialog::on_command(int id, ui::Notify notify) {
  const int sel = changed_selection(id, notify);
  if (sel < 0) return;
  const TableDialogParams& p = params();
  if (id == p.row_list) {
    binding_.outer(doc()) = sel;
    select_flag_list();
    if (input_count_for(model()) > 32) paint_table();  // the page may change
  } else if (id == binding_.inner_list) {
    binding_.inner(doc()) = sel;
    select_flag_list();
    if (binding_.inner_repaints) paint_table();
  } else if (id == p.value_list) {
    if (int* flag = binding_.flag(doc(), binding_.outer(doc()), binding_.inner(doc()))) {
      *flag = sel;
      paint_table();
    }
  } else if (id == p.slave_list) {
    doc().slave_number = sel;
  }
}

void PairTableDialog::paint_rows() {
  const int start = channel_page_start(binding_.outer(doc()), model());
  const int rows = channel_page_rows(start, model());
  for (int i = 0; i < rows; ++i) draw_row(i, row_label("ch", start + i) + " = " + binding_.row_value(doc(), start + i));
  note_channel_page(start, rows);
}

BatchShape PairTableDialog::batch_shape() const {
  return {input_count_for(model()), binding_.inner_count(model())};
}

void PairTableDialog::send_batch_row(int row, int inner) { binding_.send(context(), row, inner); }

}  // namespace klvc
