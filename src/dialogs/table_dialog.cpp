#include "dialogs/table_dialog.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "dialogs/slave_list.h"
#include "settings/store.h"
#include "ui/controls.h"
#include "ui/text_width.h"
#include "ui/ui.h"

namespace klvc {

namespace {
constexpr int kTableLeftUnits = 10;
constexpr int kTableTopUnits = 16;
constexpr int kRowUnits = 20;
constexpr int kTitleColumnUnits = 320;
constexpr int kTitleColumnCells = 39;  // "ch01 = " and 32 cells of title
constexpr int kRowsPerColumn = 8;
constexpr int kChannelPageSize = 32;
constexpr int kGroupHeight = 3;
constexpr int kMinGroupWidth = 14;  // a list of "[Auto      v]"
}  // namespace

int table_cell_x(int x_units) { return (x_units - kTableLeftUnits) * kTitleColumnCells / kTitleColumnUnits; }
int table_cell_y(int y_units) { return (y_units - kTableTopUnits) / kRowUnits; }

int channel_page_start(int current, int model) {
  return input_count_for(model) > kChannelPageSize && current >= kChannelPageSize ? kChannelPageSize : 0;
}

int channel_page_rows(int page_start, int model) {
  return std::min(kChannelPageSize, input_count_for(model) - page_start);
}

std::string row_label(const char* prefix, int index) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%s%02d", prefix, index + 1);
  return buf;
}

// ---------------------------------------------------------------- TableDialog

TableDialog::TableDialog(const TableDialogParams& params, const DialogContext& ctx)
    : ui::Dialog(params.title, params.width, params.height), params_(params), ctx_(ctx), batch_(*this, ctx.link) {
  build_controls();
}

TableDialog::~TableDialog() { *alive_ = false; }

void TableDialog::build_controls() {
  add_table(params_.table_id, params_.table);
  if (params_.rows == TableRows::Channels || params_.rows == TableRows::TitlePage) {
    add_label(params_.page_note, "", kIdPageNote);
  }
  int slot_x = 0;
  for (const ListParams& list : params_.lists) {
    const int x = list.x >= 0 ? list.x : slot_x;
    // The box's top line shows " caption " between its corners.
    const int w = list.width > 2 ? list.width : std::max(kMinGroupWidth, ui::display_width(list.group) + 4);
    add_group({x, params_.group_top, w, kGroupHeight}, list.group);
    add_combo(list.id, {x + 1, params_.group_top + 1, w - 2, 1}, list_entries(list));
    slot_x = x + w;
  }
  add_button(kIdSet, params_.set, "設定");
  add_progress(kIdProgress, params_.progress);
  add_button(ui::kIdOk, params_.ok, "OK", true);
  if (params_.close.w > 0) add_button(ui::kIdCancel, params_.close, params_.close_label);
}

const ListParams* TableDialog::list_params(int list_id) const {
  for (const ListParams& list : params_.lists) {
    if (list.id == list_id) return &list;
  }
  return nullptr;
}

void TableDialog::paint_table() {
  table(params_.table_id).clear();
  paint_rows();
  set_caption(params_.caption + doc().file_name);
}

void TableDialog::draw_text(int x_units, int y_units, const std::string& utf8) {
  table(params_.table_id).text_out(table_cell_x(x_units), table_cell_y(y_units), utf8);
}

void TableDialog::draw_row(int i, const std::string& utf8, int column_units) {
  draw_text(kTableLeftUnits + column_units * (i / kRowsPerColumn),
            kTableTopUnits + kRowUnits * (i % kRowsPerColumn), utf8);
}

void TableDialog::note_channel_page(int first, int shown) {
  ui::Label* note = dynamic_cast<ui::Label*>(find(kIdPageNote));
  if (note == nullptr) return;
  const int total = input_count_for(model());
  if (shown >= total) {
    note->set_text("");
    return;
  }
  const ListParams* rows = list_params(params_.row_list);
  const std::string list = rows != nullptr ? rows->group : std::string();
  auto span = [](int from, int to) { return row_label("ch", from) + "-" + row_label("ch", to); };
  if (params_.rows == TableRows::TitlePage) {
    note->set_text("表示: " + span(first, first + shown - 1) + "（" + list + "で切換え）");
    return;
  }
  // Two pages: 1-32 and 33 onwards.
  const int other = first == 0 ? 32 : 0;
  const int other_end = first == 0 ? total - 1 : 31;
  note->set_text(span(first, first + shown - 1) + " を表示中。" + span(other, other_end) + " は「" + list + "」で " +
                 std::to_string(other + 1) + "-" + std::to_string(other_end + 1) + " を選ぶ");
}

void TableDialog::open_slave_list() {
  if (params_.slave_list == 0) return;
  open_slave_number_list(combo(params_.slave_list), doc());
}

int TableDialog::slave_list_value() {
  const int sel = params_.slave_list != 0 ? combo(params_.slave_list).selection() : -1;
  return sel >= 0 ? sel : doc().slave_number.load();
}

void TableDialog::select_then_cut(int list_id, int index) {
  combo(list_id).select(index);
  cut_to_model(list_id);
}

void TableDialog::cut_to_model(int list_id) {
  const ListParams* list = list_params(list_id);
  if (list == nullptr) return;
  const int filled = list_numbered_count(list->kind);
  const int kept = list_kept_count(list->kind, model());
  if (filled < 0 || kept < 0) return;
  ui::ComboBox& box = combo(list_id);
  for (int i = filled - 1; i >= kept && i < box.count(); --i) box.delete_entry(i);
}

int TableDialog::changed_selection(int id, ui::Notify notify) {
  if (id == kIdSet && notify == ui::Notify::Clicked) {
    start_batch();
    return -1;
  }
  return notify == ui::Notify::SelChange ? combo(id).selection() : -1;
}

void TableDialog::start_batch() { batch_.start(); }

void TableDialog::on_timer(int) { batch_.tick(); }

void TableDialog::on_cancel() {
  // A run an error answer is already stopping needs no decision.
  if (!batch_.running() || ctx_.link.status().error_seen.load() != 0) {
    end_dialog(ui::kIdCancel);
    return;
  }
  ask_to_stop_run(params_.title, batch_.progress(), [this, alive = alive_] {
    if (*alive && !ended()) end_dialog(ui::kIdCancel);  // on_end stops the batch
  });
}

void TableDialog::on_end() { batch_.abandon(); }

void TableDialog::start_batch_timer() { set_timer(params_.timer_id, params_.period_ms); }

void TableDialog::stop_batch_timer() { kill_timer(params_.timer_id); }

void TableDialog::set_batch_progress(int range, int pos) {
  ui::ProgressBar& bar = progress(kIdProgress);
  bar.set_range(0, range);
  bar.set_pos(pos);
}

void TableDialog::before_batch_tick() {
  if (params_.slave_read_each_tick) doc().slave_number = slave_list_value();
}

// ------------------------------------------------------------ ListTableDialog

ListTableDialog::ListTableDialog(const TableDialogParams& params, const RowBinding& binding,
                                 const DialogContext& ctx)
    : TableDialog(params, ctx), binding_(binding) {}

int ListTableDialog::value_list_index(int value) const {
  const ListParams* list = list_params(params().value_list);
  if (list != nullptr && list->kind == ListKind::ChannelsAndAuto) {
    // Anything but one of the model's inputs is the automatic sequence.
    const int inputs = input_count_for(model());
    return value >= 0 && value < inputs ? value : inputs;
  }
  return value;
}

int ListTableDialog::stored_value(int list_id, int index) const {
  const ListParams* list = list_params(list_id);
  // "Auto" is kept as Auto, so that a later change of model cannot turn it into an input.
  const bool is_auto = list != nullptr && list->kind == ListKind::ChannelsAndAuto && index == input_count_for(model());
  if (is_auto) return kRouteAuto;
  return index;
}

void ListTableDialog::select_value_list() {
  const int* value = binding_.setting(doc(), binding_.row(doc()));
  combo(params().value_list).select(value != nullptr ? value_list_index(*value) : -1);
}

void ListTableDialog::on_init() {
  open_slave_list();
  select_then_cut(params().row_list, binding_.row(doc()));
  // Cut first: "Auto" moves to input_count_for(model) and is selected there.
  cut_to_model(params().value_list);
  select_value_list();
  if (params().same_list != 0) select_then_cut(params().same_list, params().same_selection);
  paint_table();
}

void ListTableDialog::on_command(int id, ui::Notify notify) {
  const int sel = changed_selection(id, notify);
  if (sel < 0) return;
  const TableDialogParams& p = params();
  if (id == p.row_list) {
    binding_.row(doc()) = sel;
    select_value_list();
    // Only a channel table with two pages can change what it shows.
    if (p.rows == TableRows::Channels && input_count_for(model()) > 32) paint_table();
  } else if (id == p.value_list) {
    const int row = binding_.row(doc());
    int* value = binding_.setting(doc(), row);
    if (value == nullptr) return;
    *value = stored_value(p.value_list, sel);
    value_written(row, *value);
    paint_table();
  } else if (id == p.same_list) {
    for (int i = 0; i < binding_.setting_count; ++i) {
      if (int* value = binding_.setting(doc(), i)) *value = stored_value(p.same_list, sel);
    }
    select_value_list();
    paint_table();
  } else if (id == p.slave_list) {
    doc().slave_number = sel;
  }
}

void ListTableDialog::paint_rows() {
  switch (params().rows) {
    case TableRows::Outputs:
      for (int i = 0; i < output_count_for(model()); ++i) {
        draw_row(i, row_label("out", i) + " = " + binding_.row_value(doc(), i));
      }
      break;
    case TableRows::AlarmInputTerminals:
      for (int i = 0; i < alarm_input_terminal_count_for(model()); ++i) {
        draw_row(i, row_label("In", i) + " = " + binding_.row_value(doc(), i));
      }
      break;
    case TableRows::Channels: {
      const int start = channel_page_start(page_channel(), model());
      const int rows = channel_page_rows(start, model());
      for (int i = 0; i < rows; ++i) {
        draw_row(i, row_label("ch", start + i) + " = " + binding_.row_value(doc(), start + i));
      }
      note_channel_page(start, rows);
      break;
    }
    case TableRows::TitlePage:
      break;
  }
}

BatchShape ListTableDialog::batch_shape() const { return {binding_.batch_rows(model()), 1}; }

void ListTableDialog::send_batch_row(int row, int) { binding_.send(context(), row); }

}  // namespace klvc
