#include "dialogs/output_route.h"

#include "link/link.h"
#include "settings/store.h"

namespace klvc {

bool route_is_input(int route) { return route_is_input(route, store().model_index); }

std::string stored_output_route_command(int output) {
  if (output < 0 || output >= kMaxOutputs) return {};
  return output_route_command(output, store().output_routes[static_cast<std::size_t>(output)], store().model_index);
}

void send_output_route(int output) {
  const std::string line = stored_output_route_command(output);
  if (!line.empty()) send_command(line);
}

}  // namespace klvc
