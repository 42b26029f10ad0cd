#include "settings/disk.h"

#include "common/text.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace klvc {
namespace {

std::string reason(int err) { return std::strerror(err); }

std::string user_name(uid_t uid) {
  struct passwd pw {};
  struct passwd* found = nullptr;
  char buf[1024];
  if (::getpwuid_r(uid, &pw, buf, sizeof buf, &found) == 0 && found != nullptr) return found->pw_name;
  return "uid " + std::to_string(uid);
}

// A link in a sticky folder anyone may write to is followed only when it is
// the user's own or the folder owner's: anyone else could aim it at a file
// this program, perhaps run as root, would then overwrite.
bool foreign_link(const std::string& folder, const struct stat& link, std::string* why) {
  struct stat dir {};
  if (::stat(folder.c_str(), &dir) != 0) return false;
  if (!(dir.st_mode & S_ISVTX) || !(dir.st_mode & S_IWOTH)) return false;
  if (link.st_uid == ::geteuid() || link.st_uid == dir.st_uid) return false;
  *why = " is a symbolic link that " + user_name(link.st_uid) + " made in " + folder +
         ", a shared folder anyone may write to; it is not followed (remove the link or choose another name)";
  return true;
}

std::vector<std::string> components(const std::string& path) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at <= path.size()) {
    const std::size_t slash = std::min(path.find('/', at), path.size());
    if (slash > at) out.push_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  return out;
}

}  // namespace

bool resolve_for_writing(const std::string& path, std::string* target, std::string* why) {
  std::string done;  // "" is the root
  if (path.empty() || path[0] != '/') {
    char* cwd = ::getcwd(nullptr, 0);
    if (cwd == nullptr) {
      *why = std::string("cannot tell the current folder: ") + reason(errno);
      return false;
    }
    done = std::strcmp(cwd, "/") == 0 ? "" : cwd;
    std::free(cwd);
  }
  std::vector<std::string> todo = components(path);
  std::reverse(todo.begin(), todo.end());  // the next component last
  int links = 0;
  bool missing = false;  // past a component that does not exist: the rest is taken as written
  while (!todo.empty()) {
    const std::string part = todo.back();
    todo.pop_back();
    if (part == ".") continue;
    if (part == ".." && !missing) {
      done = done.empty() ? done : done.substr(0, done.rfind('/'));
      continue;
    }
    const std::string next = done + "/" + part;
    struct stat st {};
    if (!missing && ::lstat(next.c_str(), &st) != 0) missing = true;
    if (missing || !S_ISLNK(st.st_mode)) {
      done = next;
      continue;
    }
    if (foreign_link(done.empty() ? "/" : done, st, why)) {
      *why = next + *why;
      return false;
    }
    if (++links > 40) {
      *why = reason(ELOOP);
      return false;
    }
    std::string aim(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
    const ssize_t n = ::readlink(next.c_str(), &aim[0], aim.size());
    if (n < 0) {
      *why = "cannot read the link " + next + ": " + reason(errno);
      return false;
    }
    aim.resize(static_cast<std::size_t>(n));
    if (!aim.empty() && aim[0] == '/') done.clear();
    std::vector<std::string> more = components(aim);
    for (auto it = more.rbegin(); it != more.rend(); ++it) todo.push_back(*it);
  }
  *target = done.empty() ? "/" : done;
  return true;
}

namespace {

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
bool Disk::set_owner(int fd, uid_t uid, gid_t gid) { return ::fchown(fd, uid, gid) == 0; }

bool SystemDisk::write_all(int fd, const std::string& bytes) {
  return write_whole(fd, bytes.data(), bytes.size(), 0);
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

bool replace_file(Disk& disk, const std::string& path, const std::string& bytes, std::string* error,
                  mode_t new_file_mode) {
  ignore_file_size_signal();
  const std::string unchanged = "; the previous file, if any, is unchanged";
  std::string target;
  std::string why;
  if (!resolve_for_writing(path, &target, &why)) {
    *error = "cannot save " + path + ": " + why + unchanged;
    return false;
  }
  std::string tmp;
  int fd = create_temporary(disk, target, new_file_mode, &tmp);
  if (fd < 0) {
    *error = "cannot save " + path + ": cannot create a temporary file in " + folder_of(target) + ": " +
             reason(errno) + unchanged;
    return false;
  }
  // Keep the owner, group and permissions of the file being replaced (the
  // owner only as root; the mode after, as a change of owner clears set-id bits).
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {  // resolved: a link now is a new one
    if (::geteuid() == 0 || st.st_gid != ::getegid()) disk.set_owner(fd, st.st_uid, st.st_gid);
    disk.set_mode(fd, st.st_mode & 07777);
  }

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
