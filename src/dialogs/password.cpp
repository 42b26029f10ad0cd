#include "dialogs/password.h"

#include "dialogs/command_fields.h"
#include "dialogs/dialog_params.h"
#include "dialogs/slave_list.h"
#include "link/link.h"
#include "link/messages.h"
#include "settings/store.h"
#include "ui/text_width.h"

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

void send_password_menu() { send_command(password_menu_command(store())); }
void send_password_operation() { send_command(password_operation_command(store())); }

bool send_panel_password() {
  std::string line = panel_password_command(store());
  if (line.empty()) return false;
  send_command(line);
  return true;
}

CPasswordDlg::CPasswordDlg() : ui::Dialog("パスワードの設定", 64, 8) {
  add_group({1, 1, 14, 4}, "メニュー");
  add_combo(kMenuList, {3, 2, 8, 1}, {"OFF", "ON"});
  add_button(kMenuSet, {3, 3, 8, 1}, "設定");
  add_group({16, 1, 14, 4}, "操作");
  add_combo(kOperationList, {18, 2, 8, 1}, {"OFF", "ON"});
  add_button(kOperationSet, {18, 3, 8, 1}, "設定");
  add_group({31, 1, 14, 4}, "番号");
  ui::EditField& field = add_edit(kPasswordEdit, {33, 2, 10, 1});
  field.set_max_chars(kPasswordLength);
  field.set_filter([](const std::string& text) {
    for (char32_t c : ui::decode_utf8(text)) {
      if (!password_char_allowed(c)) return false;
    }
    return true;
  });
  add_button(kPasswordSet, {33, 3, 8, 1}, "設定");
  add_group({46, 1, 16, 3}, "スレーブ番号");
  add_combo(kSlaveList, {48, 2, 8, 1}, list_entries({0, "", ListKind::SlaveNumbers, {}}));
  // Below the groups, last in the Tab order.
  add_button(ui::kIdOk, {34, 6, 12, 1}, "OK", true);
  add_button(ui::kIdCancel, {48, 6, 12, 1}, "Close");
}

void CPasswordDlg::on_init() {
  open_slave_number_list(combo(kSlaveList));
  combo(kMenuList).select(store().password_menu);
  combo(kOperationList).select(store().password_operation);
  // Filling the field counts as an edit, so a longer stored text (from a
  // settings file) is cut to the field's six characters here.
  edit(kPasswordEdit).set_text(store().panel_password.substr(0, kPasswordLength));
}

void CPasswordDlg::on_command(int id, ui::Notify notify) {
  switch (id) {
    case kMenuList:
      if (notify == ui::Notify::SelChange) store().password_menu = combo(id).selection();
      break;
    case kOperationList:
      if (notify == ui::Notify::SelChange) store().password_operation = combo(id).selection();
      break;
    case kPasswordEdit:
      if (notify == ui::Notify::Change) store().panel_password = edit(id).text().substr(0, kPasswordLength);
      break;
    case kSlaveList:
      if (notify == ui::Notify::SelChange) store().slave_number = combo(id).selection();
      break;
    case kMenuSet:
      if (notify == ui::Notify::Clicked) send_password_menu();
      break;
    case kOperationSet:
      if (notify == ui::Notify::Clicked) send_password_operation();
      break;
    case kPasswordSet:
      if (notify == ui::Notify::Clicked && !send_panel_password()) show_warning(kPanelPasswordRule);
      break;
    default:
      break;
  }
}

}  // namespace klvc
