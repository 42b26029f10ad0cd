// The two small setup dialogs: the serial port and interface, and the model.
// Neither sends anything. Their choices go back to the main frame, which on
// "OK" does the rest (the dialogs do not):
//   communication: store().com_port_index = dialog.port;
//                  store().interface_mode = dialog.interface;
//                  restart_link(); write "com_port" and "rs_control" to the
//                  profile (also when nothing changed);
//   model:         store().model_index = dialog.model; write "klv_model".
// The model list takes effect at once: choosing an entry sets model_index
// even if the dialog is then closed with "Close" (the profile keeps the old
// model for the next start).
#pragma once

#include <memory>
#include <string>

#include "ui/dialog.h"

namespace klvc {

class CCommSettingsDlg : public ui::Dialog {
 public:
  static constexpr int kPortList = 1000;
  static constexpr int kInterfaceList = 1001;

  CCommSettingsDlg();

  // Taken from the store when built, read back from the lists by "OK"; always
  // inside 0..5 and 0..1 (a stored value outside them counts as the first entry).
  int port;
  int interface;

  void on_init() override;
  void on_ok() override;
};

class CModelDlg : public ui::Dialog {
 public:
  static constexpr int kModelList = 1007;

  CModelDlg();

  int model;  // 0..4, as `port` above

  void on_init() override;
  void on_command(int id, ui::Notify notify) override;
  void on_ok() override;
};

// "COM 1  /dev/ttyS0", with "(見つかりません)" after a device that is not there.
std::string com_port_entry(int com_index, const std::string& device, bool exists);

std::unique_ptr<ui::Dialog> make_comm_settings_dialog();
std::unique_ptr<ui::Dialog> make_model_dialog();

}  // namespace klvc
