// Saving and opening settings files on disk. A save never destroys the
// previous file: the new bytes go to a temporary file beside it, reach the
// disk, and only then replace the old file in one rename.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "settings/settings_file.h"
#include "settings/store.h"

namespace klvc {
namespace {

constexpr off_t kMaxFileBytes = 1 << 20;  // a real settings file is under 10 KiB

SaveStep g_fail_step = SaveStep::kNone;
int g_fail_errno = 0;

// True (with errno set) when a test asked this step to fail.
bool injected(SaveStep step) {
  if (g_fail_step != step) return false;
  errno = g_fail_errno;
  return true;
}

std::string reason(int err) { return std::strerror(err); }

// Saving through a symbolic link replaces the file it points to, not the link.
std::string resolved_target(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = realpath(path.c_str(), nullptr);
    if (real) {
      std::string out = real;
      std::free(real);
      return out;
    }
  }
  return path;
}

std::string folder_of(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool write_all(int fd, const std::string& bytes) {
  if (injected(SaveStep::kWrite)) return false;
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// Creates a fresh temporary file next to `target`; -1 with errno on failure.
int create_temporary(const std::string& target, std::string* tmp) {
  static std::atomic<unsigned> counter{0};
  if (injected(SaveStep::kCreate)) return -1;
  for (int attempt = 0; attempt < 100; ++attempt) {
    *tmp = target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    int fd = ::open(tmp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Past the file-size limit (ulimit -f) a write raises SIGXFSZ, which would
// end the program with the old file's replacement half written; ignored, the
// write fails with EFBIG and the save is reported like a full disk.
void ignore_file_size_signal() {
  struct sigaction now {};
  if (sigaction(SIGXFSZ, nullptr, &now) == 0 && now.sa_handler == SIG_DFL) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, nullptr);
  }
}

}  // namespace

void fail_save_step_for_testing(SaveStep step, int error_number) {
  g_fail_step = step;
  g_fail_errno = error_number;
}

bool replace_file(const std::string& path, const std::string& bytes, std::string* error) {
  ignore_file_size_signal();
  const std::string target = resolved_target(path);
  const std::string unchanged = "; the previous file, if any, is unchanged";
  std::string tmp;
  int fd = create_temporary(target, &tmp);
  if (fd < 0) {
    *error = "cannot save " + path + ": cannot create a temporary file in " + folder_of(target) + ": " +
             reason(errno) + unchanged;
    return false;
  }
  // Keep the permissions of the file being replaced.
  struct stat st;
  if (stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) fchmod(fd, st.st_mode & 07777);

  auto fail = [&](const char* what, int err, bool open) {
    if (open) ::close(fd);
    ::unlink(tmp.c_str());
    *error = "cannot save " + path + ": " + what + " " + tmp + " failed: " + reason(err) + unchanged;
    return false;
  };
  if (!write_all(fd, bytes)) return fail("writing", errno, true);
  if (injected(SaveStep::kSync) || ::fsync(fd) != 0) return fail("flushing to disk", errno, true);
  int closed = ::close(fd);
  if (injected(SaveStep::kClose) || closed != 0) return fail("closing", errno, false);
  if (injected(SaveStep::kRename) || ::rename(tmp.c_str(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    *error = "cannot save " + path + ": cannot replace it with the new file: " + reason(err) + unchanged;
    return false;
  }
  // Make the rename itself durable; the new file is in place either way.
  int dir = ::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool write_settings_file(const std::string& path, std::string* error, std::vector<std::string>* notes) {
  if (path.empty()) {
    *error = "cannot save: no file name has been chosen yet; use Save As";
    return false;
  }
  std::string bytes;
  std::string why;
  if (!settings_file_text(&bytes, &why, notes)) {
    *error = "cannot save " + path + ": " + why;
    return false;
  }
  if (!replace_file(path, bytes, error)) return false;
  store().modified = 0;
  return true;
}

bool read_small_file(const std::string& path, std::string* bytes, std::string* error) {
  auto fail = [&](const std::string& why) {
    *error = "cannot open " + path + ": " + why;
    return false;
  };
  if (path.empty()) return fail("no file name given");
  // Non-blocking so that a named pipe cannot stall the program at open.
  const bool from_stdin = path == "-";
  int fd = from_stdin ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(reason(errno));
  auto done = [&] {
    if (!from_stdin) ::close(fd);
  };
  struct stat st;
  if (fstat(fd, &st) != 0) {
    int err = errno;
    done();
    return fail(reason(err));
  }
  if (!from_stdin && !S_ISREG(st.st_mode)) {
    done();
    return fail(S_ISDIR(st.st_mode) ? reason(EISDIR) : "not a regular file");
  }
  if (S_ISREG(st.st_mode) && st.st_size > kMaxFileBytes) {
    done();
    return fail("the file is " + std::to_string(st.st_size) + " bytes, too large for settings");
  }
  bytes->clear();
  char chunk[8192];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      done();
      return fail(reason(err));
    }
    if (n == 0) break;
    bytes->append(chunk, static_cast<std::size_t>(n));
    if (bytes->size() > static_cast<std::size_t>(kMaxFileBytes)) {
      done();
      return fail("the file is too large for settings");
    }
  }
  done();
  return true;
}

bool read_settings_file(const std::string& path, ReadResult* result, std::string* error) {
  if (path == "-") {
    *error = "cannot open -: a settings file is read from a file, not from standard input";
    return false;
  }
  std::string bytes;
  if (!read_small_file(path, &bytes, error)) return false;
  *result = read_settings_text(bytes);
  return true;
}

}  // namespace klvc
