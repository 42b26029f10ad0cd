// Sending a channel title from the document.
#pragma once

#include <string>

#include "commands/title_commands.h"
#include "link/answer_queue.h"

namespace klvc {

// title_command for the stored title of `channel`, sent when it builds.
// Returns nullptr when the title went out, otherwise the warning to show.
// `owner` hears of the answer (see LineOwner).
const char* send_channel_title(int channel, LineOwner owner = {});

}  // namespace klvc
