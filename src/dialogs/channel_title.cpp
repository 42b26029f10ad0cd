#include "dialogs/channel_title.h"

#include "link/link.h"
#include "settings/store.h"

namespace klvc {

const char* send_channel_title(int channel, LineOwner owner) {
  const bool stored = channel >= 0 && channel < kMaxInputs;
  const TitleCommand built =
      title_command(channel, stored ? store().channel_titles[static_cast<std::size_t>(channel)] : std::string());
  if (built.refused == nullptr) send_command(built.line, std::move(owner));
  return built.refused;
}

}  // namespace klvc
