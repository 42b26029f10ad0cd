// Password settings: the front panel's menu lock, operation lock and the
// six-character panel password.
#pragma once

#include <string>

#include "dialogs/dialog_context.h"
#include "ui/dialog.h"

namespace klvc {

struct SwitcherSettings;

// Warning shown when the panel password cannot be sent (too short, or holding
// a character the switcher's command cannot carry).
extern const char* const kPanelPasswordRule;

// Command builders, reading only the settings they are given (the send-all
// run uses them with no dialog open); each returns the body with its CR LF.
//   password_menu_command       "PWMON" / "PWMOF"
//   password_operation_command  "PWOON" / "PWOOF"
//   panel_password_command      "PWI" + the first six characters of
//                               panel_password; "" when it cannot be sent
std::string password_menu_command(const SwitcherSettings& s);
std::string password_operation_command(const SwitcherSettings& s);
std::string panel_password_command(const SwitcherSettings& s);

// Whether `password` can go out as the panel password: at least six
// characters, the first six visible ASCII (no blanks, no multibyte text).
bool panel_password_sendable(const std::string& password);
// Whether a character may be typed into the password field: visible ASCII,
// not a blank (the settings file keeps the password as one blank-free word).
bool password_char_allowed(char32_t c);

// The same commands built from the document and sent.
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
