// Password settings: the front panel's menu lock, operation lock and the
// six-character panel password.
#pragma once

#include <string>

#include "commands/password_commands.h"
#include "dialogs/dialog_context.h"
#include "ui/dialog.h"

namespace klvc {

// Those commands built from the document and sent.
void send_password_menu(const DialogContext& ctx);
void send_password_operation(const DialogContext& ctx);
// Sends the password and returns true; returns false and sends nothing when
// it cannot be sent (the caller shows kPanelPasswordRule).
bool send_panel_password(const DialogContext& ctx);

// The password dialog "パスワードの設定".
class CPasswordDlg : public ui::Dialog {
 public:
  static constexpr int kMenuList = 1025;
  static constexpr int kOperationList = 1026;
  static constexpr int kPasswordEdit = 1027;
  static constexpr int kSlaveList = 1003;
  static constexpr int kMenuSet = 1071;
  static constexpr int kOperationSet = 1074;
  static constexpr int kPasswordSet = 1078;

  explicit CPasswordDlg(const DialogContext& ctx);
  void on_init() override;
  void on_command(int id, ui::Notify notify) override;

 private:
  DialogContext ctx_;
};

}  // namespace klvc
