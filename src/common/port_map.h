// COM1..COM6 (index 0..5) and the devices they stand for: by default
// /dev/ttyS0../dev/ttyS5; the profile may map any of them elsewhere (for
// example a USB adapter under /dev/serial/by-id/). A plain value: whoever
// opens a link looks the device up and hands it over.
#pragma once

#include <array>
#include <string>

namespace klvc {

constexpr int kComPortCount = 6;

class PortMap {
 public:
  PortMap() {
    for (int i = 0; i < kComPortCount; ++i) devices_[i] = "/dev/ttyS" + std::to_string(i);
  }
  // The mapped path; empty outside 0..5.
  std::string device(int com_index) const {
    return com_index >= 0 && com_index < kComPortCount ? devices_[com_index] : std::string();
  }
  void set(int com_index, std::string path) {
    if (com_index >= 0 && com_index < kComPortCount) devices_[com_index] = std::move(path);
  }

 private:
  std::array<std::string, kComPortCount> devices_;
};

}  // namespace klvc
