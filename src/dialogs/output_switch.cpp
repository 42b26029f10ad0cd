#include "dialogs/output_switch.h"

#include "settings/store.h"

namespace klvc {

std::string output_route_text(const SettingsStore& doc, int output) {
  const int route = doc.output_routes[static_cast<std::size_t>(output)];
  return (route_is_input(route, doc.model_index) ? std::to_string(route + 1) : std::string("Auto")) + " ch.";
}

std::string stored_output_route_command(const SettingsStore& doc, int output) {
  if (output < 0 || output >= kMaxOutputs) return {};
  return output_route_command(output, doc.output_routes[static_cast<std::size_t>(output)], doc.model_index);
}

void send_output_route(const DialogContext& ctx, int output) {
  send_built(ctx, stored_output_route_command(ctx.doc, output));
}

namespace {

const RowBinding kOutputRoutes = {
    stored_selection<&Selections::current_output>,
    stored_row<&SwitcherSettings::output_routes>,
    kMaxOutputs,
    output_route_text,
    send_output_route,
    output_count_for,
};

}  // namespace

COutputSwitchDlg::COutputSwitchDlg(const DialogContext& ctx)
    : ListTableDialog(output_switch_params(), kOutputRoutes, ctx) {}

std::unique_ptr<ui::Dialog> make_output_switch_dialog(const DialogContext& ctx) {
  return std::make_unique<COutputSwitchDlg>(ctx);
}

}  // namespace klvc
