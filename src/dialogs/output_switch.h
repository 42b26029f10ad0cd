// The output switching dialog: which input (or "Auto", the switcher's
// automatic sequence) each output shows. Set sends the route of every output
// of the model, one every 100 ms. The main frame does nothing after it closes.
#pragma once

#include <memory>

#include "commands/route_commands.h"
#include "dialogs/table_dialog.h"

namespace klvc {

class COutputSwitchDlg : public ListTableDialog {
 public:
  explicit COutputSwitchDlg(const DialogContext& ctx);
};

// The painted value of an output: "12 ch." or "Auto ch.".
std::string output_route_text(const SettingsStore& doc, int output);

// The command of `output` as the document holds it, for its model.
std::string stored_output_route_command(const SettingsStore& doc, int output);

// Sends stored_output_route_command (the link adds the RS-485 prefix).
void send_output_route(const DialogContext& ctx, int output);

std::unique_ptr<ui::Dialog> make_output_switch_dialog(const DialogContext& ctx);

}  // namespace klvc
