// The table dialogs as data: one row of parameters per dialog (caption
// texts, lists with their group captions, table rows, timer and period). The
// common mechanics in table_dialog.h read these rows; a dialog adds its row
// here, its row binding and its command builder.
#pragma once

#include <string>
#include <vector>

#include "ui/geometry.h"

namespace klvc {

// What a drop-down list holds and how it is cut to the model. Numbered lists
// are filled for the largest model and lose entries from the end of their
// numbered part, the highest first, so "Auto" stays right after the last input.
enum class ListKind {
  Outputs,               // "1".."16", cut to output_count_for(model)
  Channels,              // "1".."64", cut to input_count_for(model)
  ChannelsAndAuto,       // "1".."64", "Auto"; the index of "Auto" is input_count_for(model)
  AlarmInputTerminals,   // "1".."24", cut to alarm_input_terminal_count_for(model)
  AlarmOutputTerminals,  // "1".."4", cut to alarm_output_terminal_count_for(model)
  TitleChannels,         // " 1".." 9", "10".."64", cut to input_count_for(model)
  SlaveNumbers,          // "00".."31": the entry shown is the address sent
  Fixed,                 // the entries given with the list ("OFF", "ON", ...)
};

struct ListParams {
  int id = 0;
  std::string group;                 // caption of the group box around it
  ListKind kind = ListKind::Fixed;
  std::vector<std::string> entries;  // Fixed only
  int x = -1;       // group box column; -1: right after the previous box
  int width = 0;    // group box width in cells; 0: room for the caption (the list is 2 narrower)
};

// Which rows the painted table shows.
enum class TableRows {
  Outputs,              // output_count_for(model) rows "out01".., eight to a column
  Channels,             // a page of up to 32 channels "ch01"..
  AlarmInputTerminals,  // alarm_input_terminal_count_for(model) rows "In01"..
  TitlePage,            // the 16 channels of the title dialog's page
};

struct TableDialogParams {
  std::string title;           // template title, shown until the table is painted
  std::string caption;         // caption at every paint, followed by file_name
  int table_id = 0;
  TableRows rows = TableRows::Outputs;
  std::vector<ListParams> lists;  // the group boxes, left to right
  int row_list = 0;            // list ids by role (0: the dialog has none)
  int value_list = 0;
  int same_list = 0;
  int slave_list = 0;
  int same_selection = 0;      // the same-for-all list's entry when the dialog opens
  int timer_id = 0;
  int period_ms = 100;
  std::string close_label = "Close";
  bool slave_read_each_tick = false;  // the batch re-reads the slave list before each command

  // The template's arrangement in cells (an 80 x 24 terminal holds the dialog
  // with its frame and the key line): the table on top, a line saying which
  // page a paged table shows, the group boxes side by side below it, and at
  // the right, from the lists' row down, Set, the progress bar, "OK" and the
  // close button, so that Tab goes through the lists first.
  int width = 78;
  int height = 14;
  ui::Rect table{0, 0, 78, 8};
  ui::Rect page_note{0, 8, 78, 1};
  int group_top = 9;
  ui::Rect set{70, 10, 8, 1};
  ui::Rect progress{70, 11, 8, 1};
  ui::Rect ok{70, 12, 8, 1};
  ui::Rect close{70, 13, 8, 1};  // width 0: no close button
};

// What sets one table dialog of the usual form apart: its texts, its table
// and its batch timer. The layout is the common one above.
struct TableDialogRow {
  const char* title;
  const char* caption;
  int table_id;
  TableRows rows;
  int timer_id;
  int period_ms;
  int same_selection = 0;
  const char* close_label = "Close";
  bool slave_read_each_tick = false;
};

// Which of the dialog's lists picks the row, gives the value and sets every
// row at once (0: the dialog has none).
struct ListRoles {
  int row = 0;
  int value = 0;
  int same = 0;
};

// The parameters of a table dialog of the usual form; its lists run left to
// right and end with the slave-number list.
TableDialogParams table_dialog_params(const TableDialogRow& row, std::vector<ListParams> lists, ListRoles roles);

// The slave-number list "スレーブ番号" with the given id.
ListParams slave_number_list(int id);

// Control ids shared by every table dialog.
constexpr int kIdSet = 1005;
constexpr int kIdProgress = 1076;
constexpr int kIdPageNote = 1077;  // the line saying which page of channels the table shows

const TableDialogParams& output_switch_params();
const TableDialogParams& title_set_params();

// The entries of a list as it is filled, before the cut.
std::vector<std::string> list_entries(const ListParams& list);
// How many numbered entries the list is filled with, and how many `model`
// keeps (both -1 for lists that are never cut).
int list_numbered_count(ListKind kind);
int list_kept_count(ListKind kind, int model);

}  // namespace klvc
