// What every dialog shares as the operator meets it: the slave-number lists,
// the Tab order, and typing titles one after another in the title dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "dialogs/alarm_settings.h"
#include "dialogs/alarm_terminals.h"
#include "dialogs/auto_sequence.h"
#include "dialogs/comm_settings.h"
#include "dialogs/date_time.h"
#include "dialogs/output_switch.h"
#include "dialogs/password.h"
#include "dialogs/send_all_dialog.h"
#include "dialogs/title_display.h"
#include "dialogs/title_set.h"
#include "link/link.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {
namespace {

std::unique_ptr<ui::Dialog> clock_dialog(const DialogContext& ctx) {
  return std::make_unique<CDateTimeSetDlg>(ctx, [] { return LocalDateTime{2009, 3, 7, 14, 5, 9}; });
}

constexpr int kSet = 1005;
constexpr int kOk = ui::kIdOk;
constexpr int kClose = ui::kIdCancel;

// ------------------------------------------------------------ slave numbers

struct SlaveCase {
  const char* name;
  MakeDialog dialog;
  int slave_list;
  int set_button;  // sends one line at once, or starts a batch
  int period_ms;   // a batch's first line comes one period after Set; 0: at once
};

const SlaveCase kSlaveCases[] = {
    {"output switch", make_dialog<COutputSwitchDlg>, 1034, kSet, 100},
    {"input title display", make_dialog<CInputTitleDisplayDlg>, 1056, kSet, 200},
    {"output title display", make_dialog<COutputTitleDisplayDlg>, 1056, kSet, 100},
    {"skip/live", make_dialog<CSkipLiveDlg>, CSkipLiveDlg::kSlaveList, kSet, 100},
    {"dwell time", make_dialog<CDwellTimeDlg>, 1034, kSet, 100},
    {"date/time display", make_dialog<CDateTimeDisplayDlg>, 1034, kSet, 100},
    {"alarm input terminals", make_dialog<CAlarmInputDlg>, 1040, kSet, 100},
    {"alarm output terminals", make_dialog<CAlarmOutputDlg>, CAlarmOutputDlg::kSlaveList, kSet, 100},
    {"titles", make_dialog<CTitleSetDlg>, CTitleSetDlg::kSlaveList, kSet, 0},
    {"clock", clock_dialog, CDateTimeSetDlg::kSlaveList, CDateTimeSetDlg::kSecondSet, 0},
    {"alarm settings", make_dialog<CAlarmSetDlg>, CAlarmSetDlg::kSlaveList, CAlarmSetDlg::kHoldTimeSet, 0},
    {"password", make_dialog<CPasswordDlg>, CPasswordDlg::kSlaveList, CPasswordDlg::kMenuSet, 0},
};

class SlaveNumbers : public DialogTest {
 protected:
  // Opens the dialog, presses its Set and returns the first line sent.
  std::string first_line_after_set(const SlaveCase& c, int pick_entry = -1) {
    open(c.dialog(ctx));
    if (pick_entry >= 0) pick(c.slave_list, pick_entry);
    press(c.set_button);
    if (c.period_ms > 0) ui->advance(c.period_ms);
    std::vector<std::string> lines = take_lines();
    while (ui->message_box_open()) ui->answer_box(BoxResult::Ok);
    if (top() != nullptr) top()->end_dialog(ui::kIdCancel);
    take_lines();  // what a late tick may still have sent
    return lines.empty() ? std::string() : lines.front();
  }
};

TEST_F(SlaveNumbers, EveryListShowsTheAddressItSendsFrom00To31) {
  std::vector<std::string> addresses;
  for (int n = 0; n <= 31; ++n) addresses.push_back((n < 10 ? "0" : "") + std::to_string(n));
  for (const SlaveCase& c : kSlaveCases) {
    SCOPED_TRACE(c.name);
    // RS-232C: the list is off, shows the stored address, and no prefix goes out.
    doc().interface_mode = 0;
    doc().slave_number = 30;
    open(c.dialog(ctx));
    EXPECT_EQ(entries(c.slave_list), addresses);
    EXPECT_FALSE(top()->combo(c.slave_list).enabled());
    EXPECT_EQ(top()->combo(c.slave_list).selected_text(), "30");
    top()->end_dialog(ui::kIdCancel);
    const std::string plain = first_line_after_set(c);
    ASSERT_FALSE(plain.empty());
    EXPECT_TRUE(plain[0] >= 'A' && plain[0] <= 'Z') << plain;

    // RS-485: the entry picked is the address in front of the line, up to 31.
    doc().interface_mode = 1;
    doc().slave_number = 0;
    for (const std::string entry : {"31", "07"}) {
      sim.set_rs485(true, std::stoi(entry));
      const int index = static_cast<int>(std::find(addresses.begin(), addresses.end(), entry) - addresses.begin());
      const std::string line = first_line_after_set(c, index);
      EXPECT_EQ(line.substr(0, 2), entry) << line;
      EXPECT_EQ(line.substr(2), plain);
    }
  }
}

// ------------------------------------------------------------ Tab order

struct TabCase {
  const char* name;
  MakeDialog dialog;
  std::vector<int> order;  // left to right, top to bottom, as drawn
};

using A = CAlarmSetDlg;
using C = CDateTimeSetDlg;
using P = CPasswordDlg;

const TabCase kTabCases[] = {
    {"output switch", make_dialog<COutputSwitchDlg>, {1031, 1032, 1033, 1034, kSet, kOk, kClose}},
    {"input title display", make_dialog<CInputTitleDisplayDlg>, {1055, 1057, 1058, 1056, kSet, kOk, kClose}},
    {"output title display", make_dialog<COutputTitleDisplayDlg>, {1062, 1061, 1060, 1056, kSet, kOk, kClose}},
    {"skip/live", make_dialog<CSkipLiveDlg>, {1047, 1046, 1045, 1044, kSet, kOk, kClose}},
    {"dwell time", make_dialog<CDwellTimeDlg>, {1047, 1048, 1050, 1034, kSet, kOk, kClose}},
    {"date/time display", make_dialog<CDateTimeDisplayDlg>, {1051, 1052, 1053, 1034, kSet, kOk, kClose}},
    {"alarm input terminals", make_dialog<CAlarmInputDlg>, {1037, 1038, 1039, 1040, kSet, kOk, kClose}},
    {"alarm output terminals", make_dialog<CAlarmOutputDlg>, {1038, 1042, 1043, 1041, kSet, kOk, kClose}},
    // The titles at the left; beside them the lists, the title field, the two
    // Set buttons side by side, "OK".
    {"titles", make_dialog<CTitleSetDlg>, {1002, 1003, 1004, kSet, CTitleSetDlg::kAllChannels, kOk}},
    {"clock",
     clock_dialog,
     {C::kYearList, C::kMonthList, C::kDayList, C::kYearSet, C::kMonthSet, C::kDaySet, C::kAdjustSet, C::kHourList,
      C::kMinuteList, C::kSecondList, C::kSlaveList, C::kHourSet, C::kMinuteSet, C::kSecondSet, kOk, kClose}},
    {"alarm settings",
     make_dialog<CAlarmSetDlg>,
     {A::kHoldTimeList, A::kPolarityList, A::kReturnList, A::kHoldTimeSet, A::kPolaritySet, A::kReturnSet,
      A::kBuzzerList, A::kMemoryNumberList, A::kSlaveList, A::kBuzzerSet, A::kMemoryNumberSet, kOk, kClose}},
    {"password",
     make_dialog<CPasswordDlg>,
     {P::kMenuList, P::kOperationList, P::kPasswordEdit, P::kSlaveList, P::kMenuSet, P::kOperationSet,
      P::kPasswordSet, kOk, kClose}},
    {"communication",
     make_dialog<CCommSettingsDlg>,
     {CCommSettingsDlg::kPortList, kOk, CCommSettingsDlg::kInterfaceList, kClose}},
    {"model", make_dialog<CModelDlg>, {CModelDlg::kModelList, kOk, kClose}},
    {"send all", make_dialog<CAllSettingsDlg>, {CAllSettingsDlg::kStartButton, kClose, CAllSettingsDlg::kPaceList}},
};

TEST_F(SlaveNumbers, TabGoesLeftToRightTopToBottomInEveryDialog) {
  doc().interface_mode = 1;  // every slave list takes part
  for (const TabCase& c : kTabCases) {
    SCOPED_TRACE(c.name);
    open(c.dialog(ctx));
    // One round of Tab from where the focus starts, then read from the first control on.
    std::vector<int> seen;
    for (std::size_t i = 0; i < c.order.size(); ++i) {
      seen.push_back(top()->focused() != nullptr ? top()->focused()->id() : -1);
      ui->feed(ui::Event::of(ui::Key::Tab));
    }
    EXPECT_EQ(top()->focused()->id(), seen.front()) << "one round visits every control once";
    auto first = std::find(seen.begin(), seen.end(), c.order.front());
    std::rotate(seen.begin(), first, seen.end());
    EXPECT_EQ(seen, c.order);
    top()->end_dialog(ui::kIdCancel);
  }
}

// ------------------------------------------------------------ titles in one go

class TitlesInOneGo : public DialogTest {
 protected:
  std::string& title(int channel) { return doc().channel_titles[static_cast<std::size_t>(channel)]; }
  void type(const std::string& utf8) { ui->feed(ui::Event::typed(utf8)); }
  void enter() {
    ui->feed(ui::Event::of(ui::Key::Enter));
    while (ui->message_box_open()) ui->answer_box(BoxResult::Ok);  // "Success", or the refusal
  }
  int channel_shown() { return top()->combo(CTitleSetDlg::kChannelList).selection(); }
  std::string field() { return top()->edit(CTitleSetDlg::kTitleEdit).text(); }
};

std::string title_line(const char* channel, const std::string& first_code) {
  std::string line = std::string("CA") + channel + first_code;
  for (int i = 0; i < 15; ++i) line += "2121";
  return line + "\r\n";
}

TEST_F(TitlesInOneGo, EnterInTheTitleFieldSendsItAndMovesToTheNextChannel) {
  doc().model_index = 0;  // 28 channels
  title(1) = "\x82\xA0";    // ch02 holds "あ"
  open(std::make_unique<CTitleSetDlg>(ctx));
  type("か");
  enter();
  EXPECT_EQ(take_lines(), (std::vector<std::string>{title_line("01", "242B")}));
  EXPECT_EQ(channel_shown(), 1);
  EXPECT_EQ(doc().current_channel, 1);
  EXPECT_EQ(top()->focused()->id(), CTitleSetDlg::kTitleEdit);
  // The next title is offered selected: typing replaces it.
  EXPECT_EQ(field(), "あ");
  type("き");
  EXPECT_EQ(title(1), "\x82\xAB");
  enter();
  EXPECT_EQ(take_lines(), (std::vector<std::string>{title_line("02", "242D")}));
  EXPECT_EQ(channel_shown(), 2);

  // A title the switcher cannot take is refused and the channel stays.
  type("A");
  enter();
  EXPECT_TRUE(take_lines().empty());
  EXPECT_EQ(channel_shown(), 2);

  // The last channel is sent and stays.
  ui->feed(ui::Event::ctrl('u'));
  top()->combo(CTitleSetDlg::kChannelList).user_pick(27);
  enter();
  EXPECT_EQ(take_lines(), (std::vector<std::string>{title_line("28", "2121")}));
  EXPECT_EQ(channel_shown(), 27);
  EXPECT_NE(top(), nullptr);  // OK stays on its button: Enter never closed the dialog
}

TEST_F(TitlesInOneGo, TitlesTypedWhileAnswersArriveEachReachTheirChannel) {
  std::string held;  // what the switcher has answered and the link not yet read
  link.set_direct_line([&](const std::string& bytes) { wire += bytes; held += sim.receive(bytes); });
  auto answers_arrive = [&] {
    std::string a;
    a.swap(held);
    link.feed_received(a.data(), a.size());
  };
  sim.fail_command(3, "E3\r\n");
  open(std::make_unique<CTitleSetDlg>(ctx));
  Lines expected;
  const std::pair<const char*, const char*> typed[] = {
      {"Ａ", "2341"}, {"Ｂ", "2342"}, {"Ｃ", "2343"}, {"Ｄ", "2344"}};
  for (const auto& [text, code] : typed) {  // 250 ms apart
    type(text);
    ui->feed(ui::Event::of(ui::Key::Enter));
    expected.push_back(title_line(printed("%02d", static_cast<int>(expected.size()) + 1).c_str(), code));
    ui->advance(250);
    answers_arrive();
  }
  EXPECT_EQ(take_lines(), expected);
  EXPECT_EQ(title(3), "\x82\x63");  // Ｄ, typed while the error box had just come up
  // Success shows in the dialog; the error names its channel, and the keys
  // typed as it came up went to the dialog, not to the box.
  EXPECT_EQ(box_texts(), Lines{"Command Error\nch03 のタイトル"});
  EXPECT_EQ(open_boxes(), 1);
  EXPECT_EQ(top()->label(CTitleSetDlg::kSendStatus).text(), "ch04 設定完了 Success");
  EXPECT_TRUE(shows(1006, "ch03 = Ｃ ") && shows(1006, "✗") && shows(1006, "✓")) << table_text(1006);
}

}  // namespace
}  // namespace klvc
