// Saving and opening settings files on disk. A save never destroys the
// previous file: the new bytes go to a temporary file beside it, reach the
// disk, and only then replace the old file in one rename.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "settings/settings_file.h"

namespace klvc {
namespace {

constexpr std::size_t kMaxFileBytes = 1 << 20;  // a real settings file is under 10 KiB

std::string why_unread(const SmallFileRead& r) {
  switch (r.failure) {
    case SmallFileRead::Failure::None: break;
    case SmallFileRead::Failure::System: return std::strerror(r.error_number);
    case SmallFileRead::Failure::NotRegular:
      return r.type == S_IFDIR ? std::strerror(EISDIR) : "not a regular file";
    case SmallFileRead::Failure::TooLarge:
      return r.size >= 0 ? "the file is " + std::to_string(r.size) + " bytes, too large for settings"
                         : "the file is too large for settings";
  }
  return {};
}

}  // namespace

bool write_settings_file(Disk& disk, const SwitcherSettings& s, int model, const std::string& path,
                         std::string* error, std::vector<std::string>* notes) {
  if (path.empty()) {
    *error = "cannot save: no file name has been chosen yet; use Save As";
    return false;
  }
  std::string bytes;
  std::string why;
  if (!settings_file_text(s, model, &bytes, &why, notes)) {
    *error = "cannot save " + path + ": " + why;
    return false;
  }
  return replace_file(disk, path, bytes, error);
}

bool read_small_file(const std::string& path, std::string* bytes, std::string* error) {
  if (path.empty()) {
    *error = "cannot open : no file name given";
    return false;
  }
  const SmallFileRead r = path == "-" ? read_open_file(STDIN_FILENO, kMaxFileBytes, bytes)
                                      : read_regular_file(path, kMaxFileBytes, bytes);
  if (r.ok()) return true;
  *error = "cannot open " + path + ": " + why_unread(r);
  return false;
}

bool read_settings_file(SwitcherSettings& s, int model, const std::string& path, ReadResult* result,
                        std::string* error) {
  if (path == "-") {
    *error = "cannot open -: a settings file is read from a file, not from standard input";
    return false;
  }
  std::string bytes;
  if (!read_small_file(path, &bytes, error)) return false;
  *result = read_settings_text(s, model, bytes);
  return true;
}

}  // namespace klvc
