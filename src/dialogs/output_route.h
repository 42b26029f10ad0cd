// The route of one output as the document holds it, and sending it.
#pragma once

#include <string>

#include "commands/route_commands.h"

namespace klvc {

// route_is_input for the current model.
bool route_is_input(int route);

// The command of `output` as the store holds it, for the current model.
std::string stored_output_route_command(int output);

// Sends stored_output_route_command(output) (the link adds the RS-485 prefix).
void send_output_route(int output);

}  // namespace klvc
