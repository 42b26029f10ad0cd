#include "app/profile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "app/ini_file.h"
#include "link/link.h"

namespace klvc {

const char* const kProfileSection = "KLV-C_Section";
const char* const kKeyComPort = "com_port";
const char* const kKeyRsControl = "rs_control";
const char* const kKeyModel = "klv_model";

namespace {

// A profile is a few lines; anything far larger is not ours.
constexpr std::size_t kMaxProfileBytes = 1 << 20;

std::string dir_of(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Reads the whole file; false with errno's reason in *why.
// *missing tells a file that does not exist from one that cannot be read.
bool slurp(const std::string& path, std::string* out, std::string* why, bool* missing) {
  *missing = false;
  // Non-blocking: a named pipe in the profile's place must not stall start-up.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *missing = errno == ENOENT;
    *why = std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
    ::close(fd);
    *why = S_ISDIR(st.st_mode)    ? "it is a folder, not a file"
           : S_ISFIFO(st.st_mode) ? "it is a named pipe, not a file"
                                  : "it is a device, not a file";
    return false;
  }
  char buf[4096];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      *why = std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    out->append(buf, static_cast<std::size_t>(n));
    if (out->size() > kMaxProfileBytes) {
      ::close(fd);
      *why = "file too large to be a profile";
      return false;
    }
  }
  ::close(fd);
  return true;
}

bool make_dirs(const std::string& dir, std::string* why) {
  if (dir.empty() || dir == "/" || dir == ".") return true;
  struct stat st {};
  if (::stat(dir.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    *why = dir + " is not a folder";
    return false;
  }
  if (!make_dirs(dir_of(dir), why)) return false;
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    *why = "cannot create folder " + dir + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool write_all(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void read_ranged(const IniText& ini, const char* key, int max, int* out, std::vector<std::string>* notes) {
  auto raw = ini.get(kProfileSection, key);
  if (!raw) return;
  auto v = parse_profile_int(*raw);
  if (!v) {
    if (notes) notes->push_back(std::string(key) + " = \"" + *raw + "\" is not a number; using 0");
    return;
  }
  if (*v < 0 || *v > max) {
    if (notes) {
      notes->push_back(std::string(key) + " = " + std::to_string(*v) + " is outside 0.." + std::to_string(max) +
                       "; using 0");
    }
    return;
  }
  *out = *v;
}

}  // namespace

std::string profile_path() {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) {
      const passwd* pw = ::getpwuid(::getuid());
      home = pw ? pw->pw_dir : nullptr;
    }
    base = std::string(home && home[0] ? home : ".") + "/.config";
  }
  return base + "/klvc/klvc.ini";
}

ProfileValues read_profile(const std::string& path, std::vector<std::string>* notes) {
  ProfileValues v;
  std::string text, why;
  bool missing = false;
  if (!slurp(path, &text, &why, &missing)) {
    if (notes && !missing) notes->push_back("profile " + path + " ignored: " + why + "; using the defaults");
    return v;
  }
  IniText ini(text);
  read_ranged(ini, kKeyComPort, kComPortCount - 1, &v.com_port, notes);
  read_ranged(ini, kKeyRsControl, 1, &v.rs_control, notes);
  read_ranged(ini, kKeyModel, kModelCount - 1, &v.klv_model, notes);
  for (int i = 0; i < kComPortCount; ++i) {
    auto dev = ini.get(kProfileSection, "com" + std::to_string(i + 1) + "_device");
    if (dev) v.devices[static_cast<std::size_t>(i)] = *dev;
  }
  return v;
}

bool write_profile_ints(const std::string& path, const std::vector<std::pair<std::string, int>>& values,
                        std::string* error) {
  std::string text, why;
  bool missing = false;
  if (!slurp(path, &text, &why, &missing) && !missing) {
    // Keep what cannot be read rather than replacing it with our few keys.
    if (error) *error = "cannot update profile " + path + ": " + why;
    return false;
  }
  IniText ini(text);
  for (const auto& kv : values) ini.set(kProfileSection, kv.first, std::to_string(kv.second));
  const std::string out = ini.text();

  const std::string dir = dir_of(path);
  if (!make_dirs(dir, &why)) {
    if (error) *error = "cannot save profile " + path + ": " + why;
    return false;
  }
  std::string tmp = path + ".XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) {
    if (error) *error = "cannot save profile " + path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = write_all(fd, out) && ::fsync(fd) == 0;
  int saved = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
    ok = false;
    saved = errno;
  }
  if (!ok) {
    ::unlink(tmp.c_str());
    if (error) *error = "cannot save profile " + path + ": " + std::strerror(saved);
    return false;
  }
  // Make the rename itself durable.
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

void load_profile_into_store(const std::string& path, std::vector<std::string>* notes) {
  ProfileValues v = read_profile(path, notes);
  SettingsStore& s = store();
  s.com_port_index = v.com_port;
  s.interface_mode = v.rs_control;
  s.model_index = v.klv_model;
  for (int i = 0; i < kComPortCount; ++i) {
    const std::string& dev = v.devices[static_cast<std::size_t>(i)];
    if (!dev.empty()) set_port_device(i, dev);
  }
}

}  // namespace klvc
