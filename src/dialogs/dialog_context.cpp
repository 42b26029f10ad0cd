#include "dialogs/dialog_context.h"

#include <utility>

namespace klvc {

void send_line(const DialogContext& ctx, const std::string& text, LineOwner owner) {
  ctx.link.set_address(ctx.doc.interface_mode.load(), ctx.doc.slave_number.load());
  ctx.link.send_command(text, std::move(owner));
}

void send_built(const DialogContext& ctx, const std::string& line) {
  if (!line.empty()) send_line(ctx, line);
}

}  // namespace klvc
