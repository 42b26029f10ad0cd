#include "dialogs/output_switch.h"

#include "settings/store.h"

namespace klvc {

std::string output_route_text(int output) {
  const int route = store().output_routes[static_cast<std::size_t>(output)];
  return (route_is_input(route) ? std::to_string(route + 1) : std::string("Auto")) + " ch.";
}

namespace {

const RowBinding kOutputRoutes = {
    []() -> int& { return store().current_output; },
    [](int row) -> int* {
      return row >= 0 && row < kMaxOutputs ? &store().output_routes[static_cast<std::size_t>(row)] : nullptr;
    },
    kMaxOutputs,
    output_route_text,
    send_output_route,
    output_count,
};

}  // namespace

COutputSwitchDlg::COutputSwitchDlg() : ListTableDialog(output_switch_params(), kOutputRoutes) {}

void COutputSwitchDlg::on_command(int id, ui::Notify notify) {
  ListTableDialog::on_command(id, notify);
  // The lists hold "Auto" right after the model's last input; the store keeps
  // it as kRouteAuto, so that a later change of model cannot turn it into an input.
  const bool same_for_all = id == params().same_list;
  if (!same_for_all && id != params().value_list) return;
  for (int o = 0; o < kMaxOutputs; ++o) {
    int& route = store().output_routes[static_cast<std::size_t>(o)];
    if ((same_for_all || o == store().current_output) && route == input_count()) route = kRouteAuto;
  }
}

std::unique_ptr<ui::Dialog> make_output_switch_dialog() { return std::make_unique<COutputSwitchDlg>(); }

}  // namespace klvc
