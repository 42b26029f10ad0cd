// The route of one output on the wire: "O" + output + "I" + input, or "70"
// for the switcher's automatic sequence.
#pragma once

#include <string>

namespace klvc {

// True when `route` (an output_routes value) names one of `model`'s inputs;
// anything else, kRouteAuto included, means the automatic sequence. Routes
// left from a larger model, or loaded from a file, can lie beyond the inputs:
// they are shown and sent as "Auto", never as an input the switcher does not
// have.
bool route_is_input(int route, int model);

// "O03I12\r\n" for output index 2 with route 11 (input 12); "O16I70\r\n" for
// kRouteAuto. Empty for an output index outside 0..15.
std::string output_route_command(int output, int route, int model);

}  // namespace klvc
