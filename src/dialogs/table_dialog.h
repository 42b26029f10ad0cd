// The common form of the per-row setting dialogs: a painted table of every
// row of the model on top, drop-down lists below it (row, value, same-for-all,
// slave number), Set with a timed batch and its progress bar, "OK" and the
// close button.
//
// TableDialog holds what every table dialog shares (controls built from its
// parameter row, the slave-number list, list cutting, painting, caption and
// the batch); ListTableDialog adds the single-level list handling, so that a
// dialog of that kind is a parameter row plus a RowBinding (see
// output_switch.cpp). Two-level dialogs are a PairTableDialog
// (pair_table_dialog.h); the title dialog derives from TableDialog and handles
// its own lists.
//
// Every list change is written into the document at once; nothing is sent until
// Set. "OK" and the close button only close the dialog; closing while a batch
// runs ends the batch (see Batch::abandon).
#pragma once

#include <memory>
#include <string>

#include "dialogs/batch.h"
#include "dialogs/dialog_context.h"
#include "dialogs/dialog_params.h"
#include "settings/store.h"
#include "ui/dialog.h"

namespace klvc {

// The templates place table rows in units: x = 10 + 160 * column (320 in the
// title table), y = 16 + 20 * row. These map them to the table area's cells
// so that four 19-cell columns, or two title columns of "ch01 = " and 32
// cells, fit side by side.
int table_cell_x(int x_units);
int table_cell_y(int y_units);

// The first channel of the page of a channel table that shows `current`:
// models with more than 32 channels show 1-32 or 33 onwards.
int channel_page_start(int current, int model);
int channel_page_rows(int page_start, int model);

// Row labels: "out01", "ch01", "In01" for the zero-based index.
std::string row_label(const char* prefix, int index);

class TableDialog : public ui::Dialog, protected BatchHost {
 public:
  TableDialog(const TableDialogParams& params, const DialogContext& ctx);
  ~TableDialog() override;

  const TableDialogParams& params() const { return params_; }

  // Clears the table, paints the rows of the model and sets the caption to
  // the caption text followed by file_name.
  void paint_table();
  // Set: starts the batch unless one runs (batch_step non-zero).
  void start_batch();
  void batch_tick() { batch_.tick(); }
  bool batch_running() const { return batch_.running(); }
  ui::ProgressBar& progress_bar() { return progress(kIdProgress); }

 protected:
  // Paints the dialog's rows with draw_row / draw_text.
  virtual void paint_rows() = 0;
  // Row i of the table: eight rows a column, columns `column_units` apart.
  void draw_row(int i, const std::string& utf8, int column_units = 160);
  void draw_text(int x_units, int y_units, const std::string& utf8);
  // The line under a paged channel table: which channels it shows and which
  // list brings the others (blank while every channel fits).
  void note_channel_page(int first, int shown);

  // Opening step for the slave-number list: selected at slave_number on
  // RS-485, otherwise disabled (still showing that entry).
  void open_slave_list();
  // The slave number the list shows, or slave_number when it shows none.
  int slave_list_value();
  // Selects entry `index` of the list, then deletes the entries the model
  // does not have. A selection beyond the model is thereby lost on screen
  // while the document keeps its value.
  void select_then_cut(int list_id, int index);
  void cut_to_model(int list_id);
  // Set starts the batch; a list's SelChange gives its new selection. -1 for
  // anything else (and for a list with nothing selected).
  int changed_selection(int id, ui::Notify notify);
  const ListParams* list_params(int list_id) const;
  Batch& batch() { return batch_; }
  const DialogContext& context() const { return ctx_; }
  SettingsStore& doc() const { return ctx_.doc; }
  int model() const { return ctx_.doc.model_index; }

  void on_timer(int timer_id) override;  // the id is not examined: one timer per dialog
  // Esc or Close while the batch runs asks first; Yes stops it and closes.
  void on_cancel() override;
  void on_end() override;

  // BatchHost
  void start_batch_timer() override;
  void stop_batch_timer() override;
  void set_batch_progress(int range, int pos) override;
  void before_batch_tick() override;
  std::string batch_name() const override { return params_.title; }

 private:
  void build_controls();
  const TableDialogParams& params_;
  DialogContext ctx_;
  Batch batch_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for a question that outlives the dialog
};

// How a single-level table dialog reaches its setting in the document.
struct RowBinding {
  int& (*row)(SettingsStore& doc);               // the shared row selection (current_output, ...)
  int* (*setting)(SettingsStore& doc, int row);  // the setting of a row; nullptr outside the array
  int setting_count;                             // elements the same-for-all list sets (whatever the model)
  std::string (*row_value)(const SettingsStore& doc, int row);  // painted after "label = "
  void (*send)(const DialogContext& ctx, int row);              // the command builder
  int (*batch_rows)(int model);                                 // rows sent by Set (output_count_for, ...)
};

// Binding pieces for one int of the document (&Selections::current_output)
// and for a setting kept as one int per row (&SwitcherSettings::dwell_times).
template <auto Field>
int& stored_selection(SettingsStore& doc) {
  return doc.*Field;
}
template <auto Field>
int* stored_row(SettingsStore& doc, int row) {
  auto& values = doc.*Field;
  return row >= 0 && static_cast<std::size_t>(row) < values.size() ? &values[static_cast<std::size_t>(row)] : nullptr;
}

class ListTableDialog : public TableDialog {
 public:
  ListTableDialog(const TableDialogParams& params, const RowBinding& binding, const DialogContext& ctx);

  void on_init() override;
  void on_command(int id, ui::Notify notify) override;

 protected:
  // After a value list change has been stored (a dialog that also records the
  // value elsewhere does it here).
  virtual void value_written(int row, int value) { (void)row; (void)value; }
  // The channel whose page a channel table shows.
  virtual int page_channel() const { return binding_.row(doc()); }
  // The value list's entry for a stored value, and the value stored for an
  // entry of the value or same-for-all list.
  int value_list_index(int value) const;
  int stored_value(int list_id, int index) const;
  void select_value_list();

  void paint_rows() override;
  BatchShape batch_shape() const override;
  void send_batch_row(int row, int inner) override;

  const RowBinding& binding() const { return binding_; }

 private:
  const RowBinding& binding_;
};

}  // namespace klvc
