// Scratch folders and whole-file reads and writes for the tests.
#pragma once

#include <string>

namespace klvc::testing {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);
// Names in the folder, sorted, space-separated, without "." and "..".
std::string list_dir(const std::string& path);

}  // namespace klvc::testing
