// What the dialogs work on: the screen's one document, the link its lines go
// out on, and the COM port map. The screen's application owns all three and
// hands them to each dialog it opens; nothing here reaches for them.
#pragma once

#include <string>

#include "common/port_map.h"
#include "link/link.h"
#include "settings/store.h"

namespace klvc {

struct DialogContext {
  SettingsStore& doc;
  Link& link;
  const PortMap& ports;
};

// Every line the screen sends goes through here: the link is addressed as the
// document says at this moment (a slave list may just have changed it), then
// the line is framed and written.
void send_line(const DialogContext& ctx, const std::string& text, LineOwner owner = {});
// A built line; an empty one (a value its builder refused) sends nothing.
void send_built(const DialogContext& ctx, const std::string& line);

}  // namespace klvc
