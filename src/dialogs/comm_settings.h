// The two small setup dialogs: the serial port and interface, and the model.
// Neither sends anything. Their choices go back to the main frame, which on
// "OK" does the rest (the dialogs do not):
//   communication: doc.com_port_index = dialog.port;
//                  doc.interface_mode = dialog.interface;
//                  the link restarted; write "com_port" and "rs_control" to
//                  the profile (also when nothing changed);
//   model:         doc.model_index = dialog.model; write "klv_model".
// The model list takes effect at once: choosing an entry sets model_index
// even if the dialog is then closed with "Close" (the profile keeps the old
// model for the next start).
#pragma once

#include <memory>
#include <string>

#include "dialogs/dialog_context.h"
#include "ui/dialog.h"

namespace klvc {

class CCommSettingsDlg : public ui::Dialog {
 public:
  static constexpr int kPortList = 1000;
  static constexpr int kInterfaceList = 1001;

  // The port list names the device `ctx.ports` maps each COM port to.
  explicit CCommSettingsDlg(const DialogContext& ctx);

  // Taken from the document when built, read back from the lists by "OK"; always
  // inside 0..5 and 0..1 (a stored value outside them counts as the first entry).
  int port;
  int interface;

  void on_init() override;
  void on_ok() override;
};

class CModelDlg : public ui::Dialog {
 public:
  static constexpr int kModelList = 1007;

  explicit CModelDlg(const DialogContext& ctx);

  int model;  // 0..4, as `port` above

  void on_init() override;
  void on_command(int id, ui::Notify notify) override;
  void on_ok() override;

 private:
  SettingsStore& doc_;
};

// "COM 1  /dev/ttyS0", with "(見つかりません)" after a device that is not there.
std::string com_port_entry(int com_index, const std::string& device, bool exists);

std::unique_ptr<ui::Dialog> make_comm_settings_dialog(const DialogContext& ctx);
std::unique_ptr<ui::Dialog> make_model_dialog(const DialogContext& ctx);

}  // namespace klvc
