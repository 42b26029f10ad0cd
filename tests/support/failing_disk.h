// A disk that fails one step of a save with a chosen errno, as a full disk
// or a vanished folder would; every other step is the system's own.
#pragma once

#include <cerrno>
#include <string>

#include "settings/disk.h"

namespace klvc::testing {

enum class SaveStep { Create, Write, Sync, Close, Rename };

class FailingDisk : public SystemDisk {
 public:
  FailingDisk(SaveStep step, int error_number) : step_(step), errno_(error_number) {}

  int create_new(const std::string& path, mode_t mode) override {
    return fails(SaveStep::Create) ? -1 : SystemDisk::create_new(path, mode);
  }
  bool write_all(int fd, const std::string& bytes) override {
    return !fails(SaveStep::Write) && SystemDisk::write_all(fd, bytes);
  }
  bool sync(int fd) override { return !fails(SaveStep::Sync) && SystemDisk::sync(fd); }
  // The descriptor is gone whatever close reports, as with close(2).
  bool close(int fd) override {
    const bool closed = SystemDisk::close(fd);
    return !fails(SaveStep::Close) && closed;
  }
  bool rename(const std::string& from, const std::string& to) override {
    return !fails(SaveStep::Rename) && SystemDisk::rename(from, to);
  }

 private:
  bool fails(SaveStep step) const {
    if (step != step_) return false;
    errno = errno_;
    return true;
  }
  SaveStep step_;
  int errno_;
};

}  // namespace klvc::testing
