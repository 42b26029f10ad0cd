#include "profile/profile.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "profile/ini_file.h"
#include "settings/disk.h"

namespace klvc {

const char* const kProfileSection = "KLV-C_Section";
const char* const kKeyComPort = "com_port";
const char* const kKeyRsControl = "rs_control";
const char* const kKeyModel = "klv_model";

namespace {

// A profile is a few lines; anything far larger is not ours.
constexpr std::size_t kMaxProfileBytes = 1 << 20;

// Reads the whole file; false with the reason in *why.
// *missing tells a file that does not exist from one that cannot be read.
bool slurp(const std::string& path, std::string* out, std::string* why, bool* missing) {
  const SmallFileRead r = read_regular_file(path, kMaxProfileBytes, out);
  *missing = r.failure == SmallFileRead::Failure::System && r.error_number == ENOENT;
  switch (r.failure) {
    case SmallFileRead::Failure::None: return true;
    case SmallFileRead::Failure::System: *why = std::strerror(r.error_number); break;
    case SmallFileRead::Failure::NotRegular:
      *why = r.type == S_IFDIR    ? "it is a folder, not a file"
             : r.type == S_IFIFO ? "it is a named pipe, not a file"
                                 : "it is a device, not a file";
      break;
    case SmallFileRead::Failure::TooLarge: *why = "file too large to be a profile"; break;
  }
  return false;
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

std::string home_folder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  const passwd* pw = ::getpwuid(::getuid());
  return pw && pw->pw_dir && pw->pw_dir[0] == '/' ? pw->pw_dir : "";
}

std::string profile_path() {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const std::string home = home_folder();
    base = (home.empty() ? std::string(".") : home) + "/.config";
  }
  return base + "/klvc/klvc.ini";
}

std::string state_folder() {
  const char* xdg = std::getenv("XDG_STATE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/klvc";
  const std::string home = home_folder();
  return home.empty() ? std::string() : home + "/.local/state/klvc";
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

bool write_profile_ints(Disk& disk, const std::string& path, const std::vector<std::pair<std::string, int>>& values,
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
  std::string failure;
  if (!make_folders(disk, folder_of(path), &failure)) {
    failure = "cannot save " + path + ": " + failure;
  } else if (replace_file(disk, path, ini.text(), &failure, 0600)) {
    return true;
  }
  if (error) *error = failure;
  return false;
}

PortMap port_map_of(const ProfileValues& v) {
  PortMap map;
  for (int i = 0; i < kComPortCount; ++i) {
    const std::string& dev = v.devices[static_cast<std::size_t>(i)];
    if (!dev.empty()) map.set(i, dev);
  }
  return map;
}

PortMap load_profile(const std::string& path, Selections& into, std::vector<std::string>* notes) {
  const ProfileValues v = read_profile(path, notes);
  into.com_port_index = v.com_port;
  into.interface_mode = v.rs_control;
  into.model_index = v.klv_model;
  return port_map_of(v);
}

}  // namespace klvc
