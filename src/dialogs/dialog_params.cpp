#include "dialogs/dialog_params.h"

#include <cstdio>

#include "settings/store.h"

namespace klvc {

namespace {

std::vector<std::string> numbers(int first, int last, const char* format) {
  std::vector<std::string> out;
  char buf[16];
  for (int n = first; n <= last; ++n) {
    std::snprintf(buf, sizeof buf, format, n);
    out.emplace_back(buf);
  }
  return out;
}

}  // namespace

TableDialogParams table_dialog_params(const TableDialogRow& row, std::vector<ListParams> lists, ListRoles roles) {
  const int slave_list = lists.empty() ? 0 : lists.back().id;
  // In the order of TableDialogParams; the layout keeps its defaults.
  return {row.title, row.caption, row.table_id, row.rows, std::move(lists), roles.row, roles.value, roles.same,
          slave_list, row.same_selection, row.timer_id, row.period_ms, row.close_label, row.slave_read_each_tick};
}

ListParams slave_number_list(int id) { return {id, "スレーブ番号", ListKind::SlaveNumbers, {}}; }

const TableDialogParams& output_switch_params() {
  static const TableDialogParams p = table_dialog_params(
      {"出力切換え", "出力切換え設定 File Name ", 1030, TableRows::Outputs, 8, 100},
      {{1031, "出力チャンネル", ListKind::Outputs, {}}, {1032, "入力チャンネル", ListKind::ChannelsAndAuto, {}},
       {1033, "同一チャンネル", ListKind::ChannelsAndAuto, {}}, slave_number_list(1034)},
      {1031, 1032, 1033});
  return p;
}

const TableDialogParams& title_set_params() {
  static const TableDialogParams p = [] {
    TableDialogParams t;
    t.title = "タイトル設定";
    t.caption = "タイトル設定 File Name ";
    t.table_id = 1006;
    t.rows = TableRows::TitlePage;
    // The 16 titles of the page in one column at the left, each whole (label
    // and 32 cells); the lists, the "Title" box (title_set.cpp) and the
    // buttons stand to their right.
    t.width = 78;
    t.height = 16;
    t.table = {0, 0, 40, 16};  // and a cell for the mark of Enter's answer
    t.page_note = {41, 0, 37, 1};
    t.group_top = 1;
    t.lists = {
        {1002, "ch.番号", ListKind::TitleChannels, {}, 41, 11},
        {1003, "スレーブ番号", ListKind::SlaveNumbers, {}, 53, 16},
    };
    t.row_list = 1002;
    t.slave_list = 1003;
    t.timer_id = 2;
    t.period_ms = 500;
    t.slave_read_each_tick = true;
    // Under the "Title" box: Set and "全ch.設定", the progress bar, "OK".
    t.set = {41, 8, 14, 1};
    t.progress = {41, 10, 37, 1};
    t.ok = {64, 12, 14, 1};
    t.close = {0, 0, 0, 0};
    return t;
  }();
  return p;
}

std::vector<std::string> list_entries(const ListParams& list) {
  switch (list.kind) {
    case ListKind::Outputs: return numbers(1, kMaxOutputs, "%d");
    case ListKind::Channels: return numbers(1, kMaxInputs, "%d");
    case ListKind::ChannelsAndAuto: {
      auto v = numbers(1, kMaxInputs, "%d");
      v.emplace_back("Auto");
      return v;
    }
    case ListKind::AlarmInputTerminals: return numbers(1, kMaxAlarmInputTerminals, "%d");
    case ListKind::AlarmOutputTerminals: return numbers(1, kMaxAlarmOutputTerminals, "%d");
    case ListKind::TitleChannels: return numbers(1, kMaxInputs, "%2d");
    // Every slave list shows the address it sends: index n is "nn".
    case ListKind::SlaveNumbers: return numbers(0, 31, "%02d");
    case ListKind::Fixed: return list.entries;
  }
  return {};
}

int list_numbered_count(ListKind kind) {
  switch (kind) {
    case ListKind::Outputs: return kMaxOutputs;
    case ListKind::Channels:
    case ListKind::ChannelsAndAuto:
    case ListKind::TitleChannels: return kMaxInputs;
    case ListKind::AlarmInputTerminals: return kMaxAlarmInputTerminals;
    case ListKind::AlarmOutputTerminals: return kMaxAlarmOutputTerminals;
    default: return -1;
  }
}

int list_kept_count(ListKind kind, int model) {
  switch (kind) {
    case ListKind::Outputs: return output_count_for(model);
    case ListKind::Channels:
    case ListKind::ChannelsAndAuto:
    case ListKind::TitleChannels: return input_count_for(model);
    case ListKind::AlarmInputTerminals: return alarm_input_terminal_count_for(model);
    case ListKind::AlarmOutputTerminals: return alarm_output_terminal_count_for(model);
    default: return -1;
  }
}

}  // namespace klvc
