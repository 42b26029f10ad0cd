#include "link/link_log.h"

#include <cstdio>
#include <map>
#include <mutex>

namespace klvc {

namespace {

std::mutex g_listeners_mutex;  // the UI thread and the reader thread both log
std::map<int, LinkListener> g_listeners;
int g_next_listener = 1;

}  // namespace

std::string escape_bytes(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          out += static_cast<char>(c);
        } else {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02X", c);
          out += hex;
        }
    }
  }
  return out;
}

int add_link_listener(LinkListener listener) {
  std::lock_guard<std::mutex> lock(g_listeners_mutex);
  const int id = g_next_listener++;
  g_listeners[id] = std::move(listener);
  return id;
}

void remove_link_listener(int id) {
  std::lock_guard<std::mutex> lock(g_listeners_mutex);
  g_listeners.erase(id);
}

void log_link(LogDirection direction, std::string_view bytes) {
  std::lock_guard<std::mutex> lock(g_listeners_mutex);
  for (const auto& [id, listener] : g_listeners) listener(direction, bytes);
}

}  // namespace klvc
