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

std::unique_ptr<ui::Dialog> make_output_switch_dialog() { return std::make_unique<COutputSwitchDlg>(); }

}  // namespace klvc
