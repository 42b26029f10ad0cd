#include "dialogs/command_fields.h"

#include "link/link.h"

namespace klvc {

void send_built(const std::string& line) {
  if (!line.empty()) send_command(line);
}

}  // namespace klvc
