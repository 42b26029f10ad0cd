#include "settings/disk.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace klvc {
namespace {

std::string reason(int err) { return std::strerror(err); }

// Saving through a symbolic link replaces the file it points to, not the link.
std::string resolved_target(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real) {
      std::string out = real;
      std::free(real);
      return out;
    }
  }
  return path;
}

// Creates a fresh temporary file next to `target`; -1 with errno on failure.
int create_temporary(Disk& disk, const std::string& target, mode_t mode, std::string* tmp) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    *tmp = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    int fd = disk.create_new(*tmp, mode);
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

SmallFileRead failed(SmallFileRead::Failure failure, int error_number = 0) {
  SmallFileRead r;
  r.failure = failure;
  r.error_number = error_number;
  return r;
}

SmallFileRead read_fd(int fd, bool regular_only, std::size_t max_bytes, std::string* bytes) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return failed(SmallFileRead::Failure::System, errno);
  if (regular_only && !S_ISREG(st.st_mode)) {
    SmallFileRead r = failed(SmallFileRead::Failure::NotRegular);
    r.type = st.st_mode & S_IFMT;
    return r;
  }
  if (S_ISREG(st.st_mode) && static_cast<unsigned long long>(st.st_size) > max_bytes) {
    SmallFileRead r = failed(SmallFileRead::Failure::TooLarge);
    r.size = st.st_size;
    return r;
  }
  bytes->clear();
  char chunk[8192];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return failed(SmallFileRead::Failure::System, errno);
    }
    if (n == 0) return {};
    bytes->append(chunk, static_cast<std::size_t>(n));
    if (bytes->size() > max_bytes) return failed(SmallFileRead::Failure::TooLarge);
  }
}

}  // namespace

int SystemDisk::create_new(const std::string& path, mode_t mode) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
}

bool SystemDisk::set_mode(int fd, mode_t mode) { return ::fchmod(fd, mode) == 0; }

bool SystemDisk::write_all(int fd, const std::string& bytes) {
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

bool SystemDisk::sync(int fd) { return ::fsync(fd) == 0; }
bool SystemDisk::close(int fd) { return ::close(fd) == 0; }
bool SystemDisk::rename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}
bool SystemDisk::remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }
bool SystemDisk::make_folder(const std::string& path, mode_t mode) { return ::mkdir(path.c_str(), mode) == 0; }

bool SystemDisk::sync_folder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

Disk& system_disk() {
  static SystemDisk disk;
  return disk;
}

std::string folder_of(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool replace_file(Disk& disk, const std::string& path, const std::string& bytes, std::string* error,
                  mode_t new_file_mode) {
  ignore_file_size_signal();
  const std::string target = resolved_target(path);
  const std::string unchanged = "; the previous file, if any, is unchanged";
  std::string tmp;
  int fd = create_temporary(disk, target, new_file_mode, &tmp);
  if (fd < 0) {
    *error = "cannot save " + path + ": cannot create a temporary file in " + folder_of(target) + ": " +
             reason(errno) + unchanged;
    return false;
  }
  // Keep the permissions of the file being replaced.
  struct stat st;
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) disk.set_mode(fd, st.st_mode & 07777);

  auto fail = [&](const char* what, int err, bool open) {
    if (open) disk.close(fd);
    disk.remove(tmp);
    *error = "cannot save " + path + ": " + what + " " + tmp + " failed: " + reason(err) + unchanged;
    return false;
  };
  if (!disk.write_all(fd, bytes)) return fail("writing", errno, true);
  if (!disk.sync(fd)) return fail("flushing to disk", errno, true);
  if (!disk.close(fd)) return fail("closing", errno, false);
  if (!disk.rename(tmp, target)) {
    int err = errno;
    disk.remove(tmp);
    *error = "cannot save " + path + ": cannot replace it with the new file: " + reason(err) + unchanged;
    return false;
  }
  // Make the rename itself durable; the new file is in place either way.
  disk.sync_folder(folder_of(target));
  return true;
}

bool make_folders(Disk& disk, const std::string& folder, std::string* error) {
  for (std::size_t at = 1; at <= folder.size(); ++at) {
    if (at != folder.size() && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (disk.make_folder(part, 0700)) continue;
    const int err = errno;
    struct stat st {};
    if (err == EEXIST && ::stat(part.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    *error = err == EEXIST ? part + " is not a folder" : "cannot create folder " + part + ": " + reason(err);
    return false;
  }
  return true;
}

SmallFileRead read_regular_file(const std::string& path, std::size_t max_bytes, std::string* bytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return failed(SmallFileRead::Failure::System, errno);
  SmallFileRead r = read_fd(fd, true, max_bytes, bytes);
  ::close(fd);
  return r;
}

SmallFileRead read_open_file(int fd, std::size_t max_bytes, std::string* bytes) {
  return read_fd(fd, false, max_bytes, bytes);
}

}  // namespace klvc
