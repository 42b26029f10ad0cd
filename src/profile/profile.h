// The per-user profile: an INI file with section "KLV-C_Section" holding the
// port, the interface and the model, plus the COM-port-to-device map.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/port_map.h"
#include "settings/disk.h"
#include "settings/store.h"

namespace klvc {

extern const char* const kProfileSection;  // "KLV-C_Section"
extern const char* const kKeyComPort;      // "com_port"
extern const char* const kKeyRsControl;    // "rs_control"
extern const char* const kKeyModel;        // "klv_model"

struct ProfileValues {
  int com_port = 0;    // 0..5
  int rs_control = 0;  // 0..1
  int klv_model = 0;   // 0..4
  // "com1_device".."com6_device"; empty where the profile has none.
  std::array<std::string, kComPortCount> devices;
};

// The user's home folder: $HOME, else the password database's; "" when
// neither names one (never a shared folder in its place).
std::string home_folder();

// $XDG_CONFIG_HOME/klvc/klvc.ini, else ~/.config/klvc/klvc.ini.
std::string profile_path();

// $XDG_STATE_HOME/klvc, else ~/.local/state/klvc (recovery files, the
// records of what each switcher received); "" without a home folder.
std::string state_folder();

// Missing, unreadable or garbled: the defaults. A value that is not an integer
// or lies outside its range is replaced by 0 (the default), which the next
// write of that key puts right; `notes` (optional) gets one line per such value.
ProfileValues read_profile(const std::string& path, std::vector<std::string>* notes = nullptr);

// Sets integer keys of the section, keeping every other line of the file, and
// replaces the file as a save does (replace_file; a new profile is private to
// its user). Creates the folder when needed. False and *error (path and
// reason) on failure.
bool write_profile_ints(Disk& disk, const std::string& path, const std::vector<std::pair<std::string, int>>& values,
                        std::string* error);

// The COM port map the profile gives: the defaults, with its comN_device
// values over them.
PortMap port_map_of(const ProfileValues& v);

// Start-up: the profile's port, interface and model into `into`; returns
// its COM port map for whoever opens a link.
PortMap load_profile(const std::string& path, Selections& into, std::vector<std::string>* notes = nullptr);

}  // namespace klvc
