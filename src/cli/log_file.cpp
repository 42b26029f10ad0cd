#include "cli/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "cli/args.h"
#include "link/link_log.h"
#include "settings/disk.h"

namespace klvc {

namespace {

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

void LinkLogFile::write_line(LogDirection direction, std::string_view bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!file_) return;
  const char* arrow = direction == LogDirection::Sent       ? "->"
                      : direction == LogDirection::Received ? "<-"
                                                            : "--";
  std::string text;
  if (direction == LogDirection::Event || direction == LogDirection::Pairing) {
    for (char c : bytes) text += c == '\n' ? std::string(" — ") : std::string(1, c);
    text = shown(text);
  } else {
    text = escape_bytes(bytes);
  }
  // One write per line (several processes may append to one file), flushed:
  // the log must hold the last lines if the program dies.
  const std::string line = timestamp() + " " + arrow + " " + tag_ + text + "\n";
  std::fwrite(line.data(), 1, line.size(), file_);
  std::fflush(file_);
}

bool LinkLogFile::open(const std::string& path, std::string* error) {
  std::string target;
  std::string why;
  if (!resolve_for_writing(path, &target, &why)) {
    if (error) *error = "cannot open the log file " + path + ": " + why;
    return false;
  }
  // The log holds the lines sent, the password among them: made with the umask, as any file of the user's.
  // Not through a link planted since the path was resolved; and without blocking: a FIFO that nothing
  // reads would hold the program at the open forever. Writes block again once it is open.
  const int fd = ::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int e = errno;
    if (error) {
      *error = "cannot open the log file " + path + ": " +
               (e == ENXIO ? std::string("it is a FIFO that no process reads; start its reader first")
                           : std::strerror(e));
    }
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* f = ::fdopen(fd, "a");
  if (!f) {
    if (error) *error = "cannot open the log file " + path + ": " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  // Line-sized writes go out whole under O_APPEND.
  std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_) std::fclose(file_);
    file_ = f;
    path_ = path;
  }
  if (!listener_) {
    listener_ = add_link_listener([this](LogDirection direction, std::string_view bytes) { write_line(direction, bytes); });
  }
  return true;
}

void LinkLogFile::close() {
  if (listener_) remove_link_listener(listener_);
  listener_ = 0;
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_) std::fclose(file_);
  file_ = nullptr;
  path_.clear();
}

bool LinkLogFile::is_open() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return file_ != nullptr;
}

std::string LinkLogFile::path() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return path_;
}

void LinkLogFile::set_tag(const std::string& tag) {
  std::lock_guard<std::mutex> lock(mutex_);
  tag_ = shown(tag);
}

int take_log_option(std::vector<std::string>* args, LinkLogFile* log, std::string* error, std::string* path_out) {
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
  return log->open(path, error) ? kExitOk : kExitFailed;
}

}  // namespace klvc
