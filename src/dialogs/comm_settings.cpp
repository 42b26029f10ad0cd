#include "dialogs/comm_settings.h"

#include <sys/stat.h>

#include <vector>

#include "link/net_port.h"
#include "settings/store.h"
#include "ui/controls.h"

namespace klvc {

namespace {

int within(int value, int count) { return value >= 0 && value < count ? value : 0; }

// A port over the network cannot be looked for without connecting to it.
bool device_exists(const std::string& path) {
  struct stat st {};
  return is_network_port(path) || (!path.empty() && ::stat(path.c_str(), &st) == 0);
}

std::vector<std::string> port_entries(const PortMap& ports) {
  std::vector<std::string> out;
  for (int i = 0; i < kComPortCount; ++i) {
    const std::string device = ports.device(i);
    out.push_back(com_port_entry(i, device, device_exists(device)));
  }
  return out;
}

// Keeps what the operator last picked; a list that shows nothing keeps `fallback`.
int picked(const ui::ComboBox& list, int fallback) { return list.selection() >= 0 ? list.selection() : fallback; }

}  // namespace

std::string com_port_entry(int com_index, const std::string& device, bool exists) {
  std::string entry = "COM " + std::to_string(com_index + 1);
  if (!device.empty()) entry += "  " + device;
  if (!exists) entry += " (見つかりません)";
  return entry;
}

// ------------------------------------------------------------ communication

CCommSettingsDlg::CCommSettingsDlg(const DialogContext& ctx)
    : ui::Dialog("通信設定", 58, 6),
      port(within(ctx.doc.com_port_index, kComPortCount)),
      interface(within(ctx.doc.interface_mode.load(), 2)) {
  add_group({0, 0, 46, 3}, "COM Port");
  add_combo(kPortList, {1, 1, 44, 1}, port_entries(ctx.ports));
  add_group({0, 3, 16, 3}, "Interface");
  add_combo(kInterfaceList, {1, 4, 14, 1}, {"RS-232C", "RS-485"});
  add_button(ui::kIdOk, {47, 1, 11, 1}, "OK", true);  // beside the first list, so the list comes first
  add_button(ui::kIdCancel, {47, 4, 11, 1}, "Close");
}

void CCommSettingsDlg::on_init() {
  combo(kPortList).select(port);
  combo(kInterfaceList).select(interface);
}

void CCommSettingsDlg::on_ok() {
  port = picked(combo(kPortList), port);
  interface = picked(combo(kInterfaceList), interface);
  end_dialog(ui::kIdOk);
}

// ------------------------------------------------------------ model

CModelDlg::CModelDlg(const DialogContext& ctx)
    : ui::Dialog("モデルの選択", 30, 3), model(within(ctx.doc.model_index, kModelCount)), doc_(ctx.doc) {
  std::vector<std::string> names;
  for (int m = 0; m < kModelCount; ++m) names.emplace_back(model_name(m));
  add_group({0, 0, 18, 3}, "Model");
  add_combo(kModelList, {1, 1, 16, 1}, names);
  add_button(ui::kIdOk, {19, 1, 11, 1}, "OK", true);  // beside the list, so the list comes first
  add_button(ui::kIdCancel, {19, 2, 11, 1}, "Close");
}

void CModelDlg::on_init() { combo(kModelList).select(model); }

void CModelDlg::on_command(int id, ui::Notify notify) {
  if (id != kModelList || notify != ui::Notify::SelChange) return;
  const int sel = combo(kModelList).selection();
  if (sel >= 0 && sel < kModelCount) doc_.model_index = sel;
}

void CModelDlg::on_ok() {
  model = picked(combo(kModelList), model);
  end_dialog(ui::kIdOk);
}

std::unique_ptr<ui::Dialog> make_comm_settings_dialog(const DialogContext& ctx) {
  return std::make_unique<CCommSettingsDlg>(ctx);
}
std::unique_ptr<ui::Dialog> make_model_dialog(const DialogContext& ctx) { return std::make_unique<CModelDlg>(ctx); }

}  // namespace klvc
