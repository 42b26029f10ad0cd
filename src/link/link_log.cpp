#include "link/link_log.h"

#include <cstdio>
#include <mutex>

#include "link/link_internal.h"

namespace klvc {

int add_link_listener(LinkListener listener) {
  LinkCore& l = link();
  std::lock_guard<std::mutex> lock(l.listeners_mutex);
  const int id = l.next_listener++;
  l.listeners[id] = std::move(listener);
  return id;
}

void remove_link_listener(int id) {
  LinkCore& l = link();
  std::lock_guard<std::mutex> lock(l.listeners_mutex);
  l.listeners.erase(id);
}

void log_link(LogDirection direction, std::string_view bytes) {
  LinkCore& l = link();
  std::lock_guard<std::mutex> lock(l.listeners_mutex);
  for (const auto& [id, listener] : l.listeners) listener(direction, bytes);
}

}  // namespace klvc
