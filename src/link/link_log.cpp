#include "link/link_log.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

namespace klvc {

namespace {

std::mutex g_log_mutex;  // the UI thread and the reader thread both log
std::FILE* g_log = nullptr;
LinkListener g_listener;

std::string timestamp() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t secs = system_clock::to_time_t(now);
  int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  localtime_r(&secs, &local);
  char buf[40];
  std::size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(buf + n, sizeof buf - n, ".%03d", ms);
  return buf;
}

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

bool open_link_log(const std::string& path, std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "ae");
  if (!f) {
    if (error) *error = "cannot open the log file " + path + ": " + std::strerror(errno);
    return false;
  }
  std::lock_guard<std::mutex> lock(g_log_mutex);
  if (g_log) std::fclose(g_log);
  g_log = f;
  return true;
}

int take_log_option(std::vector<std::string>* args, std::string* error) {
  std::string path;
  bool seen = false;
  for (std::size_t i = 0; i < args->size();) {
    const std::string& a = (*args)[i];
    if (a == "--log") {
      if (i + 1 >= args->size() || (*args)[i + 1].empty()) {
        if (error) *error = "--log needs a file name";
        return 2;
      }
      path = (*args)[i + 1];
      args->erase(args->begin() + static_cast<long>(i), args->begin() + static_cast<long>(i) + 2);
      seen = true;
    } else if (a.compare(0, 6, "--log=") == 0) {
      path = a.substr(6);
      if (path.empty()) {
        if (error) *error = "--log needs a file name";
        return 2;
      }
      args->erase(args->begin() + static_cast<long>(i));
      seen = true;
    } else {
      ++i;
    }
  }
  if (!seen) return 0;
  return open_link_log(path, error) ? 0 : 1;
}

void close_link_log() {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  if (g_log) std::fclose(g_log);
  g_log = nullptr;
}

bool link_log_is_open() {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  return g_log != nullptr;
}

void set_link_listener(LinkListener listener) {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  g_listener = std::move(listener);
}

void log_link(LogDirection direction, std::string_view bytes) {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  if (g_listener) g_listener(direction, bytes);
  if (!g_log) return;
  const char* arrow = direction == LogDirection::Sent       ? "->"
                      : direction == LogDirection::Received ? "<-"
                                                            : "--";
  std::string text;
  if (direction == LogDirection::Event || direction == LogDirection::Pairing) {
    for (char c : bytes) text += c == '\n' ? std::string(" — ") : std::string(1, c);
  } else {
    text = escape_bytes(bytes);
  }
  std::fprintf(g_log, "%s %s %s\n", timestamp().c_str(), arrow, text.c_str());
  // Flushed per line: the log must hold the last lines if the program dies.
  std::fflush(g_log);
}

}  // namespace klvc
