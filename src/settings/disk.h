// The file system where the program writes: settings files, exports, the
// profile and the recovery file. Every step that changes the disk goes
// through a small interface, so a test can hand a save a twin that fails any
// one step as a full disk or a vanished folder would. Queries (stat,
// realpath) are made directly: they change nothing.
#pragma once

#include "common/base_name.h"

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace klvc {

class Disk {
 public:
  virtual ~Disk() = default;
  // Each is one system call and fails as it does: -1 or false, errno set.
  // Creates `path`, which must not exist yet, open for writing; `mode` as
  // open(2) takes it (the umask applies).
  virtual int create_new(const std::string& path, mode_t mode) = 0;
  virtual bool set_mode(int fd, mode_t mode) = 0;
  virtual bool set_owner(int fd, uid_t uid, gid_t gid);  // fchown(2)
  virtual bool write_all(int fd, const std::string& bytes) = 0;  // across short writes
  virtual bool sync(int fd) = 0;
  virtual bool close(int fd) = 0;
  virtual bool rename(const std::string& from, const std::string& to) = 0;
  virtual bool remove(const std::string& path) = 0;
  virtual bool make_folder(const std::string& path, mode_t mode) = 0;
  virtual bool sync_folder(const std::string& folder) = 0;  // makes a rename in it durable
};

// The system's own calls.
class SystemDisk : public Disk {
 public:
  int create_new(const std::string& path, mode_t mode) override;
  bool set_mode(int fd, mode_t mode) override;
  bool write_all(int fd, const std::string& bytes) override;
  bool sync(int fd) override;
  bool close(int fd) override;
  bool rename(const std::string& from, const std::string& to) override;
  bool remove(const std::string& path) override;
  bool make_folder(const std::string& path, mode_t mode) override;
  bool sync_folder(const std::string& folder) override;
};

Disk& system_disk();

// Where a write to `path` lands, each symbolic link resolved, as an absolute
// path. False and *why when a link on the way lies in a sticky folder anyone
// may write to (/tmp) and belongs neither to the user nor to the folder's
// owner: someone else may have aimed it at a file of ours.
bool resolve_for_writing(const std::string& path, std::string* target, std::string* why);

// Puts `bytes` in place of `path`: a temporary file beside it (with the
// owner, group and permissions of the file it replaces, else
// `new_file_mode` less the umask), flushed to disk, renamed over it, the
// folder flushed. Through a symbolic link the file it points to is replaced,
// unless resolve_for_writing refuses the link. On failure the temporary file is
// gone, the old file is untouched and *error reads "cannot save <path>:
// <what failed>: <the system's reason>; the previous file, if any, is
// unchanged".
bool replace_file(Disk& disk, const std::string& path, const std::string& bytes, std::string* error,
                  mode_t new_file_mode = 0666);

// Creates `folder` and each missing folder above it (mode 0700). False and
// *error naming the folder and the reason.
bool make_folders(Disk& disk, const std::string& folder, std::string* error);

// What reading a small file found. Reading needs no twin: it changes nothing.
struct SmallFileRead {
  enum class Failure { None, System, NotRegular, TooLarge };
  Failure failure = Failure::None;
  int error_number = 0;  // System: errno
  mode_t type = 0;       // NotRegular: the file type bits (S_IFDIR, S_IFIFO, ...)
  long long size = -1;   // TooLarge: the size when known before reading
  bool ok() const { return failure == Failure::None; }
};

// The whole of `path`, which must be a regular file of at most `max_bytes`.
// Opened without blocking, so that a named pipe in its place cannot stall
// the program.
SmallFileRead read_regular_file(const std::string& path, std::size_t max_bytes, std::string* bytes);
// The whole of an open descriptor (standard input, which may be a pipe).
SmallFileRead read_open_file(int fd, std::size_t max_bytes, std::string* bytes);

}  // namespace klvc
