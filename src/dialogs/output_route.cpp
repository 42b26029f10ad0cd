#include "dialogs/output_route.h"

#include "dialogs/command_fields.h"
#include "settings/store.h"

namespace klvc {

namespace {
constexpr char kRouteTemplate[] = "O01I01\r\n";
constexpr int kAutoInputCode = 70;

bool is_output(int output) { return output >= 0 && output < kMaxOutputs; }
}  // namespace

bool route_is_input(int route, int model) { return route >= 0 && route < input_count_for(model); }

std::string output_route_command(int output, int route, int model) {
  if (!is_output(output)) return {};
  std::string line = kRouteTemplate;
  put_two_digits(line, 1, output + 1);
  put_two_digits(line, 4, route_is_input(route, model) ? route + 1 : kAutoInputCode);
  return line;
}

}  // namespace klvc
