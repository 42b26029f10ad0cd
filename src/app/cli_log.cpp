#include "app/cli_log.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "app/cli_args.h"
#include "link/link_log.h"

namespace klvc {

namespace {

std::mutex g_mutex;  // the listener runs on the UI thread and the reader thread
std::FILE* g_file = nullptr;
std::string g_tag;
std::string g_path;
int g_listener = 0;

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

void write_line(LogDirection direction, std::string_view bytes) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_file) return;
  const char* arrow = direction == LogDirection::Sent       ? "->"
                      : direction == LogDirection::Received ? "<-"
                                                            : "--";
  std::string text;
  if (direction == LogDirection::Event || direction == LogDirection::Pairing) {
    for (char c : bytes) text += c == '\n' ? std::string(" — ") : std::string(1, c);
  } else {
    text = escape_bytes(bytes);
  }
  // One write per line (several processes may append to one file), flushed:
  // the log must hold the last lines if the program dies.
  const std::string line = timestamp() + " " + arrow + " " + g_tag + text + "\n";
  std::fwrite(line.data(), 1, line.size(), g_file);
  std::fflush(g_file);
}

}  // namespace

bool open_link_log(const std::string& path, std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "ae");
  if (!f) {
    if (error) *error = "cannot open the log file " + path + ": " + std::strerror(errno);
    return false;
  }
  // Line-sized writes go out whole under O_APPEND.
  std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_file) std::fclose(g_file);
    g_file = f;
    g_path = path;
  }
  if (!g_listener) g_listener = add_link_listener(write_line);
  return true;
}

void close_link_log() {
  if (g_listener) remove_link_listener(g_listener);
  g_listener = 0;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_file) std::fclose(g_file);
  g_file = nullptr;
  g_path.clear();
}

bool link_log_is_open() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_file != nullptr;
}

std::string link_log_path() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_path;
}

void set_link_log_tag(const std::string& tag) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_tag = tag;
}

int take_log_option(std::vector<std::string>* args, std::string* error, std::string* path_out) {
  std::string path;
  bool seen = false;
  for (std::size_t i = 0; i < args->size();) {
    const std::string& a = (*args)[i];
    if (a == "--") break;  // what follows is not an option
    if (a == "--log") {
      if (i + 1 >= args->size() || (*args)[i + 1].empty()) {
        if (error) *error = "--log needs a file name";
        return kExitUsage;
      }
      path = (*args)[i + 1];
      args->erase(args->begin() + static_cast<long>(i), args->begin() + static_cast<long>(i) + 2);
      seen = true;
    } else if (a.compare(0, 6, "--log=") == 0) {
      path = a.substr(6);
      if (path.empty()) {
        if (error) *error = "--log needs a file name";
        return kExitUsage;
      }
      args->erase(args->begin() + static_cast<long>(i));
      seen = true;
    } else {
      ++i;
    }
  }
  if (!seen) return kExitOk;
  if (path_out) *path_out = path;
  return open_link_log(path, error) ? kExitOk : kExitFailed;
}

}  // namespace klvc
