// The symbolic link a simulated switcher keeps to its pseudo-terminal: made
// with symlink(2), which never follows or replaces what is there, and removed
// only while it is still the one this port made.
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/simulator.h"

namespace klvc {

namespace {

// `path` is a symbolic link holding exactly `target`.
bool links_to(const std::string& path, const std::string& target) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
  char buf[PATH_MAX];
  ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
  return n >= 0 && std::string(buf, static_cast<std::size_t>(n)) == target;
}

}  // namespace

// Under mutex_. symlink(2) never follows or replaces what is there; only a
// link this port made (still pointing where it made it point) is replaced.
bool SimulatedPort::make_link(std::string* error) {
  if (link_path_.empty() || slave_path_.empty()) return true;
  if (::symlink(slave_path_.c_str(), link_path_.c_str()) == 0) {
    link_target_ = slave_path_;
    return true;
  }
  int e = errno;
  if (e == EEXIST && !link_target_.empty() && links_to(link_path_, link_target_)) {
    // Ours, to an earlier terminal: replaced in one step, so a program
    // opening the path never finds it missing.
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string temp = link_path_ + ".new" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
      if (::symlink(slave_path_.c_str(), temp.c_str()) != 0) {
        if (errno == EEXIST) continue;
        break;
      }
      if (::rename(temp.c_str(), link_path_.c_str()) == 0) {
        link_target_ = slave_path_;
        return true;
      }
      ::unlink(temp.c_str());
      break;
    }
    e = errno;
  }
  if (error) {
    *error = e == EEXIST ? link_path_ + " already exists; give a path that does not exist (nothing there is "
                                        "replaced or removed)"
                         : "cannot make " + link_path_ + " point to " + slave_path_ + ": " + std::strerror(e);
  }
  return false;
}

// Under mutex_: removes the link only while it is still the one this port made.
void SimulatedPort::remove_link() {
  if (!link_target_.empty() && links_to(link_path_, link_target_)) ::unlink(link_path_.c_str());
  link_target_.clear();
}

}  // namespace klvc
