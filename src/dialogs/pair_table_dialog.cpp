#include "dialogs/pair_table_dialog.h"

#include "settings/store.h"

namespace klvc {

PairTableDialog::PairTableDialog(const TableDialogParams& params, const PairBinding& binding)
    : TableDialog(params), binding_(binding) {}

void PairTableDialog::select_flag_list() {
  const int* flag = binding_.flag(binding_.outer(), binding_.inner());
  combo(params().value_list).select(flag != nullptr ? *flag : -1);
}

void PairTableDialog::on_init() {
  open_slave_list();
  select_then_cut(params().row_list, binding_.outer());
  select_then_cut(binding_.inner_list, binding_.inner());
  select_flag_list();
  paint_table();
}

void PairTableDialog::on_command(int id, ui::Notify notify) {
  const int sel = changed_selection(id, notify);
  if (sel < 0) return;
  const TableDialogParams& p = params();
  if (id == p.row_list) {
    binding_.outer() = sel;
    select_flag_list();
    if (input_count() > 32) paint_table();  // the page may change
  } else if (id == binding_.inner_list) {
    binding_.inner() = sel;
    select_flag_list();
    if (binding_.inner_repaints) paint_table();
  } else if (id == p.value_list) {
    if (int* flag = binding_.flag(binding_.outer(), binding_.inner())) {
      *flag = sel;
      paint_table();
    }
  } else if (id == p.slave_list) {
    store().slave_number = sel;
  }
}

void PairTableDialog::paint_rows() {
  const int start = channel_page_start(binding_.outer());
  for (int i = 0; i < channel_page_rows(start); ++i) {
    draw_row(i, row_label("ch", start + i) + " = " + binding_.row_value(start + i));
  }
  note_channel_page(start, channel_page_rows(start));
}

BatchShape PairTableDialog::batch_shape() const { return {input_count(), binding_.inner_count()}; }

void PairTableDialog::send_batch_row(int row, int inner) { binding_.send(row, inner); }

}  // namespace klvc
