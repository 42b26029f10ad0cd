#include "dialogs/output_route.h"

#include "dialogs/command_fields.h"
#include "link/link.h"
#include "settings/store.h"

namespace klvc {

namespace {
constexpr char kRouteTemplate[] = "O01I01\r\n";
constexpr int kAutoInputCode = 70;
}  // namespace

bool route_is_input(int route) { return route >= 0 && route < input_count(); }

std::string output_route_command(int output) {
  if (output < 0 || output >= kMaxOutputs) return {};
  const int route = store().output_routes[static_cast<std::size_t>(output)];
  std::string line = kRouteTemplate;
  put_two_digits(line, 1, output + 1);
  put_two_digits(line, 4, route_is_input(route) ? route + 1 : kAutoInputCode);
  return line;
}

void send_output_route(int output) {
  const std::string line = output_route_command(output);
  if (!line.empty()) send_command(line);
}

}  // namespace klvc
