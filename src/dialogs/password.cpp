#include "dialogs/password.h"

#include "commands/command_fields.h"
#include "dialogs/dialog_params.h"
#include "dialogs/slave_list.h"
#include "link/messages.h"
#include "settings/store.h"
#include "ui/text_width.h"

namespace klvc {

namespace {

// The two locks: an OFF/ON list in its group box, with the Set button that
// sends it.
struct LockSetting {
  const char* caption;
  int group_x;
  int list_id;
  int set_id;
  int SwitcherSettings::*field;
  void (*send)(const DialogContext& ctx);
};

const LockSetting kLocks[] = {
    {"メニュー", 1, CPasswordDlg::kMenuList, CPasswordDlg::kMenuSet, &SwitcherSettings::password_menu,
     send_password_menu},
    {"操作", 16, CPasswordDlg::kOperationList, CPasswordDlg::kOperationSet, &SwitcherSettings::password_operation,
     send_password_operation},
};

}  // namespace

void send_password_menu(const DialogContext& ctx) { send_line(ctx, password_menu_command(ctx.doc)); }
void send_password_operation(const DialogContext& ctx) { send_line(ctx, password_operation_command(ctx.doc)); }

bool send_panel_password(const DialogContext& ctx) {
  std::string line = panel_password_command(ctx.doc);
  if (line.empty()) return false;
  send_line(ctx, line);
  return true;
}

CPasswordDlg::CPasswordDlg(const DialogContext& ctx) : ui::Dialog("パスワードの設定", 64, 8), ctx_(ctx) {
  for (const LockSetting& lock : kLocks) {
    add_group({lock.group_x, 1, 14, 4}, lock.caption);
    add_combo(lock.list_id, {lock.group_x + 2, 2, 8, 1}, {"OFF", "ON"});
    add_button(lock.set_id, {lock.group_x + 2, 3, 8, 1}, "設定");
  }
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
  open_slave_number_list(combo(kSlaveList), ctx_.doc);
  for (const LockSetting& lock : kLocks) combo(lock.list_id).select(ctx_.doc.*lock.field);
  // Filling the field counts as an edit, so a longer stored text (from a
  // settings file) is cut to the field's six characters here.
  edit(kPasswordEdit).set_text(ctx_.doc.panel_password.substr(0, kPasswordLength));
}

void CPasswordDlg::on_command(int id, ui::Notify notify) {
  for (const LockSetting& lock : kLocks) {
    if (id == lock.list_id && notify == ui::Notify::SelChange) ctx_.doc.*lock.field = combo(id).selection();
    if (id == lock.set_id && notify == ui::Notify::Clicked) lock.send(ctx_);
  }
  switch (id) {
    case kPasswordEdit:
      if (notify == ui::Notify::Change) ctx_.doc.panel_password = edit(id).text().substr(0, kPasswordLength);
      break;
    case kSlaveList:
      if (notify == ui::Notify::SelChange) ctx_.doc.slave_number = combo(id).selection();
      break;
    case kPasswordSet:
      if (notify == ui::Notify::Clicked && !send_panel_password(ctx_)) show_warning(kPanelPasswordRule);
      break;
    default:
      break;
  }
}

}  // namespace klvc
