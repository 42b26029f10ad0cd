#include "commands/password_commands.h"

#include "commands/command_fields.h"
#include "settings/store.h"

namespace klvc {

const char* const kPanelPasswordRule =
    "パスワードは半角英数字・記号の6文字で入力してください（空白は使えません）";

namespace {

bool visible_ascii(unsigned char c) { return c > 0x20 && c < 0x7F; }

}  // namespace

std::string password_menu_command(const SwitcherSettings& s) { return on_off_command("PWM", s.password_menu != 0); }

std::string password_operation_command(const SwitcherSettings& s) {
  return on_off_command("PWO", s.password_operation != 0);
}

bool panel_password_sendable(const std::string& password) {
  if (password.size() < static_cast<std::size_t>(kPasswordLength)) return false;
  for (int i = 0; i < kPasswordLength; ++i) {
    if (!visible_ascii(static_cast<unsigned char>(password[static_cast<std::size_t>(i)]))) return false;
  }
  return true;
}

bool password_char_allowed(char32_t c) { return c > 0x20 && c < 0x7F; }

std::string panel_password_command(const SwitcherSettings& s) {
  const std::string& password = s.panel_password;
  if (!panel_password_sendable(password)) return {};
  return "PWI" + password.substr(0, kPasswordLength) + "\r\n";
}

}  // namespace klvc
