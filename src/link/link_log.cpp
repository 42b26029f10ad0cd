#include "link/link_log.h"

#include <map>
#include <mutex>

namespace klvc {

namespace {

// Who hears log_link, for every link of the process: the UI thread and the
// reader threads all log.
struct Listeners {
  std::mutex mutex;
  std::map<int, LinkListener> by_id;
  int next = 1;
};

Listeners& listeners() {
  static Listeners* l = new Listeners;  // lives until exit; a reader may still log at static destruction
  return *l;
}

}  // namespace

int add_link_listener(LinkListener listener) {
  Listeners& l = listeners();
  std::lock_guard<std::mutex> lock(l.mutex);
  const int id = l.next++;
  l.by_id[id] = std::move(listener);
  return id;
}

void remove_link_listener(int id) {
  Listeners& l = listeners();
  std::lock_guard<std::mutex> lock(l.mutex);
  l.by_id.erase(id);
}

void log_link(LogDirection direction, std::string_view bytes) {
  Listeners& l = listeners();
  std::lock_guard<std::mutex> lock(l.mutex);
  for (const auto& [id, listener] : l.by_id) listener(direction, bytes);
}

}  // namespace klvc
