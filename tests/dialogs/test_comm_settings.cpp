// The communication and model dialogs: what they open on, what they hand
// back, and the model's immediate effect.
#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "dialogs/comm_settings.h"
#include "link/link.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {
namespace {

class CommSettings : public DialogTest {
 protected:
  template <class D>
  D& open_dialog() {
    return open(std::make_unique<D>(ctx), [this](ui::Dialog& d, int r) {
      result = r;
      if (auto* comm = dynamic_cast<CCommSettingsDlg*>(&d)) {
        port = comm->port;
        interface = comm->interface;
      }
      if (auto* m = dynamic_cast<CModelDlg*>(&d)) model = m->model;
    });
  }
  int result = -1;
  int port = -1;
  int interface = -1;
  int model = -1;
};

TEST(ComPortEntry, ShowsTheDeviceAndWhetherItIsThere) {
  EXPECT_EQ(com_port_entry(0, "/dev/ttyS0", true), "COM 1  /dev/ttyS0");
  EXPECT_EQ(com_port_entry(5, "/dev/ttyUSB0", false), "COM 6  /dev/ttyUSB0 (見つかりません)");
}

TEST_F(CommSettings, OpensOnTheStoredPortAndInterface) {
  doc().com_port_index = 3;
  doc().interface_mode = 1;
  ports.set(0, "/dev/null");
  ports.set(3, "/nonexistent/klvc-port");
  ports.set(4, "rfc2217:10.0.0.9:2217");  // not looked for: that would take a connection
  open_dialog<CCommSettingsDlg>();
  EXPECT_EQ(selection(CCommSettingsDlg::kPortList), 3);
  EXPECT_EQ(top()->combo(CCommSettingsDlg::kPortList).selected_text(), "COM 4  /nonexistent/klvc-port (見つかりません)");
  EXPECT_EQ(entries(CCommSettingsDlg::kPortList)[0], "COM 1  /dev/null");
  EXPECT_EQ(entries(CCommSettingsDlg::kPortList)[4], "COM 5  rfc2217:10.0.0.9:2217");
  EXPECT_EQ(top()->combo(CCommSettingsDlg::kInterfaceList).selected_text(), "RS-485");
  EXPECT_EQ(top()->caption(), "通信設定");
}

TEST_F(CommSettings, OkHandsBackTheChoiceAndChangesNothingItself) {
  open_dialog<CCommSettingsDlg>();
  pick(CCommSettingsDlg::kPortList, 2);
  pick(CCommSettingsDlg::kInterfaceList, 1);
  press(ui::kIdOk);
  EXPECT_EQ(result, ui::kIdOk);
  EXPECT_EQ(port, 2);
  EXPECT_EQ(interface, 1);
  EXPECT_EQ(doc().com_port_index, 0);
  EXPECT_EQ(doc().interface_mode, 0);
  EXPECT_TRUE(take_lines().empty());
}

TEST_F(CommSettings, StoredValuesOutsideTheListsComeBackAsTheFirstEntry) {
  doc().com_port_index = 9;
  doc().interface_mode = 3;
  doc().model_index = 9;
  open_dialog<CCommSettingsDlg>();
  EXPECT_EQ(selection(CCommSettingsDlg::kPortList), 0);
  EXPECT_EQ(selection(CCommSettingsDlg::kInterfaceList), 0);
  press(ui::kIdOk);
  EXPECT_EQ(port, 0);
  EXPECT_EQ(interface, 0);
  open_dialog<CModelDlg>();
  EXPECT_EQ(selection(CModelDlg::kModelList), 0);
  press(ui::kIdOk);
  EXPECT_EQ(model, 0);
}

TEST_F(CommSettings, ModelChoiceTakesEffectAtOnceEvenOnClose) {
  open_dialog<CModelDlg>();
  EXPECT_EQ(entries(CModelDlg::kModelList), (std::vector<std::string>{"KLV-A", "KLV-B", "KLV-C", "KLV-D", "KLV-E"}));
  pick(CModelDlg::kModelList, 3);
  EXPECT_EQ(doc().model_index, 3);
  press(ui::kIdCancel);
  EXPECT_EQ(result, ui::kIdCancel);
  EXPECT_EQ(doc().model_index, 3);
  EXPECT_EQ(input_count_for(doc().model_index), 48);
}

TEST_F(CommSettings, ModelOkHandsBackTheLastChoice) {
  doc().model_index = 2;
  open_dialog<CModelDlg>();
  EXPECT_EQ(selection(CModelDlg::kModelList), 2);
  pick(CModelDlg::kModelList, 4);
  pick(CModelDlg::kModelList, 2);
  EXPECT_EQ(doc().model_index, 2);
  press(ui::kIdOk);
  EXPECT_EQ(model, 2);
}

}  // namespace
}  // namespace klvc
