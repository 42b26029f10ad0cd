#include "send_all/sent_record.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "cli/args.h"
#include "cli/file_text_command.h"
#include "send_all/target.h"
#include "profile/profile.h"
#include "common/text.h"
#include "commands/title_commands.h"
#include "link/net_port.h"
#include "settings/disk.h"
#include "settings/settings_file.h"
#include "settings/settings_source.h"
#include "settings/settings_text.h"
#include "settings/store.h"

namespace klvc {

namespace {

// "host:port" for a network port, so that tcp: and rfc2217: to one server
// port are one switcher; anything else as written.
std::string key_port(const std::string& port) {
  NetAddress a;
  std::string why;
  if (!is_network_port(port) || !parse_network_port(port, &a, &why)) {
    // A relative path names another device from another folder: made
    // absolute, but links are not followed (a by-id name stays itself).
    if (port.empty() || port[0] == '/') return port;
    char here[4096];
    return ::getcwd(here, sizeof here) ? std::string(here) + "/" + port : port;
  }
  const std::string host = ascii_lower(a.host);
  return (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + a.port;
}

// A file name from any port name: letters, digits, '-', '_' and '.' stay
// (not a leading '.'); every other byte is %XX, so no two names meet.
std::string file_part(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '_' || (c == '.' && !out.empty());
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return out;
}

bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Removes every model's record of `key`; false with *error when one stays.
bool remove_records(const SentRecordKey& key, std::string* error) {
  for (int m = 0; m < kModelCount; ++m) {
    const std::string path = sent_record_path(key, m);
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
      *error = "cannot remove " + path + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

}  // namespace

std::string sent_records_folder() {
  const std::string state = state_folder();
  return (state.empty() ? std::string("./.local/state/klvc") : state) + "/sent";
}

std::string sent_record_path(const SentRecordKey& key, int model) {
  std::string name = file_part(key_port(key.port));
  if (key.rs485) name += "@slave" + std::to_string(key.slave);
  return sent_records_folder() + "/" + name + "." + std::string(1, static_cast<char>('A' + model)) + ".dat";
}

std::string find_sent_record(const SentRecordKey& key, int* model) {
  for (int m = 0; m < kModelCount; ++m) {
    const std::string path = sent_record_path(key, m);
    if (!exists(path)) continue;
    *model = m;
    return path;
  }
  return {};
}

std::string sent_record_for_changes(const SentRecordKey& key, int model, std::string* note) {
  const std::string shown = key_port(key.port) + (key.rs485 ? " slave " + std::to_string(key.slave) : "");
  int found_model = 0;
  const std::string path = find_sent_record(key, &found_model);
  if (path.empty()) {
    *note = "no record of what " + shown + " last received; sending everything";
    return {};
  }
  if (found_model != model) {
    *note = "the record of " + shown + " is for " + std::string(model_name(found_model)) + ", not " +
            model_name(model) + "; sending everything";
    return {};
  }
  SwitcherSettings s;
  ReadResult result;
  std::string error;
  if (!read_settings_file(s, model, path, &result, &error) || !result.clean()) {
    *note = path + " does not read back clean" + (error.empty() ? "" : " (" + error + ")") + "; sending everything";
    return {};
  }
  return path;
}

std::string settle_sent_record(const SendAllTarget& t, const SwitcherSettings& settings, bool received,
                               bool* unsafe) {
  *unsafe = false;
  if (t.sent.port.empty()) return {};
  std::string error;
  if (received) {
    const std::string path = sent_record_path(t.sent, t.model);
    if (make_folders(system_disk(), sent_records_folder(), &error) &&
        write_settings_file(system_disk(), settings, t.model, path, &error)) {
      // Records for other models describe a switcher that is no longer there.
      for (int m = 0; m < kModelCount; ++m) {
        if (m != t.model) ::unlink(sent_record_path(t.sent, m).c_str());
      }
      return {};
    }
  }
  std::string gone;
  if (!remove_records(t.sent, &gone)) {
    *unsafe = true;
    return "klvc send-all: " + (error.empty() ? "" : error + "; ") + gone +
           ": a later --changed run would trust it; remove it by hand";
  }
  if (!received) return {};
  return "klvc send-all: warning: " + error + "; the next --changed run sends everything";
}

int file_diff_sent(const SentRecordKey& key, const std::string& file) {
  int model = 0;
  const std::string record = find_sent_record(key, &model);
  SwitcherSettings sent;
  ReadResult result;
  std::string error;
  if (record.empty() || !read_settings_file(sent, model, record, &result, &error) || !result.clean()) {
    std::cerr << "klvc file: no usable record of what " << key_port(key.port)
              << (key.rs485 ? " slave " + std::to_string(key.slave) : "") << " last received"
              << (error.empty() ? "" : " (" + shown(error) + ")") << "; send-all --changed sends everything\n";
    return kExitFailed;
  }
  SwitcherSettings now;
  SourceLoad loaded;
  const bool ok = load_settings_source(now, model, file, "", title_problem, &loaded);
  for (const auto* lines : {&loaded.notes, &loaded.mended, &loaded.errors}) {
    for (const std::string& l : *lines) std::cerr << shown(l) << '\n';
  }
  if (!ok) return kExitUsage;
  const std::vector<std::string> lines =
      settings_differences(settings_as_text(sent, model), settings_as_text(now, model));
  for (const std::string& l : lines) std::cout << l << '\n';
  std::cout << std::flush;
  return lines.empty() ? kExitOk : kExitFailed;
}

}  // namespace klvc
