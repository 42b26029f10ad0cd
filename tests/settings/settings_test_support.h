// Shared helpers of the settings tests: the default file written out by hand
// from the file rules, a scratch folder, and a way to run the built program.
#pragma once

#include <string>
#include <vector>

namespace klvc::test {

// The 1507 lines of the settings file of a freshly reset store, built from
// the format's rules (not from the writer).
std::vector<std::string> default_file_lines();

// Lines joined with the given line end after every line.
std::string join_lines(const std::vector<std::string>& lines, const std::string& end = "\r\n");

// A fresh folder under the temporary directory, removed with its files.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> names() const;  // entries, sorted

 private:
  std::string path_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs the klvc program with the arguments, stdin from /dev/null.
RunResult run_klvc(const std::vector<std::string>& args);

}  // namespace klvc::test
