// The common table-dialog mechanics through a channel table of its own: pages
// of 32 channels, the cut of the lists, the same-for-all list and the mapping
// of the table's unit positions to cells.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/table_dialog.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {
namespace {

constexpr int kTable = 2000;
constexpr int kRowList = 2001;
constexpr int kValueList = 2002;
constexpr int kSameList = 2003;
constexpr int kSlaveList = 2004;

std::vector<int> g_sent;  // rows the test dialog's batch sent

const TableDialogParams& channel_params() {
  static const TableDialogParams p = [] {
    TableDialogParams t;
    t.title = "channels";
    t.caption = "channels ";
    t.table_id = kTable;
    t.rows = TableRows::Channels;
    t.lists = {
        {kRowList, "入力チャンネル", ListKind::Channels, {}},
        {kValueList, "表示", ListKind::Fixed, {"OFF", "ON"}},
        {kSameList, "同一表示", ListKind::Fixed, {"OFF", "ON"}},
        {kSlaveList, "スレーブ番号", ListKind::SlaveNumbers, {}},
    };
    t.row_list = kRowList;
    t.value_list = kValueList;
    t.same_list = kSameList;
    t.slave_list = kSlaveList;
    t.timer_id = 9;
    t.period_ms = 200;
    return t;
  }();
  return p;
}

const RowBinding kDisplay = {
    [](SettingsStore& doc) -> int& { return doc.current_input; },
    [](SettingsStore& doc, int row) -> int* {
      return row >= 0 && row < kMaxInputs ? &doc.input_title_display[static_cast<std::size_t>(row)] : nullptr;
    },
    kMaxInputs,
    [](const SettingsStore& doc, int row) {
      return std::string(doc.input_title_display[static_cast<std::size_t>(row)] ? "ON " : "OFF");
    },
    [](const DialogContext&, int row) { g_sent.push_back(row); },
    input_count_for,
};

class ChannelTable : public DialogTest {
 protected:
  ChannelTable() { g_sent.clear(); }
  void open_dialog() { open(std::make_unique<ListTableDialog>(channel_params(), kDisplay, ctx)); }
  std::vector<std::string> table_lines() {
    std::vector<std::string> lines;
    std::string text = top()->table(kTable).painted_text();
    std::size_t start = 0;
    for (std::size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', start)) {
      lines.push_back(text.substr(start, nl - start));
      start = nl + 1;
    }
    return lines;
  }
  bool shows(const std::string& text) { return DialogTest::shows(kTable, text); }
};

TEST(TableCells, UnitPositionsMapToColumnsAndRows) {
  EXPECT_EQ(table_cell_x(10), 0);
  EXPECT_EQ(table_cell_x(170), 19);
  EXPECT_EQ(table_cell_x(330), 39);
  EXPECT_EQ(table_cell_x(490), 58);
  EXPECT_EQ(table_cell_y(16), 0);
  EXPECT_EQ(table_cell_y(156), 7);
  EXPECT_EQ(row_label("ch", 0), "ch01");
  EXPECT_EQ(row_label("out", 15), "out16");
  EXPECT_EQ(row_label("In", 23), "In24");
}

TEST_F(ChannelTable, ModelThreeShowsTheSecondPageForChannelsFrom33) {
  doc().model_index = 3;
  doc().current_input = 40;
  open_dialog();
  const auto lines = table_lines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "ch33 = ON          ch41 = ON");
  EXPECT_EQ(lines[7], "ch40 = ON          ch48 = ON");
  EXPECT_FALSE(shows("ch49"));
  EXPECT_FALSE(shows("ch01"));
}

TEST_F(ChannelTable, ModelFourTurnsThePageWhenTheChannelChanges) {
  doc().model_index = 4;
  doc().current_input = 40;
  open_dialog();
  EXPECT_EQ(table_lines()[0], "ch33 = ON          ch41 = ON           ch49 = ON          ch57 = ON");
  pick(kRowList, 4);
  EXPECT_EQ(doc().current_input, 4);
  EXPECT_EQ(table_lines()[7], "ch08 = ON          ch16 = ON           ch24 = ON          ch32 = ON");
  EXPECT_FALSE(shows("ch33"));
}

TEST_F(ChannelTable, SmallerModelsShowAllTheirChannels) {
  doc().model_index = 0;
  open_dialog();
  EXPECT_TRUE(shows("ch28 = ON"));
  EXPECT_FALSE(shows("ch29"));
  EXPECT_EQ(table_lines()[3], "ch04 = ON          ch12 = ON           ch20 = ON          ch28 = ON");
  EXPECT_EQ(table_lines()[4], "ch05 = ON          ch13 = ON           ch21 = ON");
  pick(kRowList, 27);
  EXPECT_TRUE(shows("ch01 = ON"));
}

TEST_F(ChannelTable, ValueAndSameForAllListsWriteTheStore) {
  doc().model_index = 0;
  open_dialog();
  pick(kRowList, 4);
  pick(kValueList, 0);
  EXPECT_EQ(doc().input_title_display[4], 0);
  EXPECT_TRUE(shows("ch05 = OFF"));
  pick(kSameList, 1);
  EXPECT_EQ(selection(kValueList), 1);
  pick(kSameList, 0);
  for (int v : doc().input_title_display) EXPECT_EQ(v, 0);  // also the channels model 0 lacks
  EXPECT_EQ(selection(kValueList), 0);
  EXPECT_TRUE(g_sent.empty());
}

TEST_F(ChannelTable, RowSelectionBeyondTheModelIsKeptButNotShown) {
  doc().model_index = 0;
  doc().current_input = 40;
  open_dialog();
  EXPECT_EQ(selection(kRowList), -1);
  EXPECT_EQ(entries(kRowList).size(), 28u);
  EXPECT_EQ(doc().current_input, 40);
}

}  // namespace
}  // namespace klvc
