// Handing built lines to the link.
#pragma once

#include <string>

#include "commands/command_fields.h"

namespace klvc {

// Hands a built line to send_command; an empty one (a value its builder
// refused) sends nothing.
void send_built(const std::string& line);

}  // namespace klvc
