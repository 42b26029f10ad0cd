#include "settings_test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace klvc::test {

std::vector<std::string> default_file_lines() {
  std::vector<std::string> lines;
  auto repeat = [&](int n, const std::string& text) {
    for (int i = 0; i < n; ++i) lines.push_back(text);
  };
  repeat(64, "s");                                            // titles, all empty
  for (int t = 0; t < 24; ++t) lines.push_back(std::to_string(t));  // alarm input channels
  repeat(256, "0");                                           // alarm outputs
  repeat(1024, "1");                                          // skip/live
  repeat(16, "3");                                            // dwell times
  for (int o = 0; o < 16; ++o) lines.push_back(std::to_string(o));  // routes
  repeat(16, "1");                                            // output title display
  repeat(16, "1");                                            // date/time display
  repeat(64, "1");                                            // input title display
  lines.push_back("9");                                       // hold time
  repeat(7, "0");                                             // lines 1498-1504
  lines.push_back("0");                                       // menu lock
  lines.push_back("0");                                       // operation lock
  lines.push_back("573920");                                  // password
  return lines;
}

std::string join_lines(const std::vector<std::string>& lines, const std::string& end) {
  std::string out;
  for (const std::string& l : lines) out += l + end;
  return out;
}

ScratchDir::ScratchDir() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/klvc-test-XXXXXX";
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

ScratchDir::~ScratchDir() {
  // Flat folders only, plus one level of sub-folders some tests make.
  for (const std::string& name : names()) {
    std::string p = file(name);
    struct stat st;
    if (lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      DIR* d = opendir(p.c_str());
      if (d) {
        while (dirent* e = readdir(d)) {
          std::string n = e->d_name;
          if (n != "." && n != "..") unlink((p + "/" + n).c_str());
        }
        closedir(d);
      }
      rmdir(p.c_str());
    } else {
      unlink(p.c_str());
    }
  }
  rmdir(path_.c_str());
}

std::vector<std::string> ScratchDir::names() const {
  std::vector<std::string> out;
  DIR* d = opendir(path_.c_str());
  if (!d) return out;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") out.push_back(n);
  }
  closedir(d);
  std::sort(out.begin(), out.end());
  return out;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

RunResult run_klvc(const std::vector<std::string>& args) {
  ScratchDir dir;
  std::string out_path = dir.file("out");
  std::string err_path = dir.file("err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> argv_text = {KLVC_BINARY};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  RunResult result;
  pid_t pid;
  int rc = posix_spawn(&pid, KLVC_BINARY, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    result.err = "cannot start " + std::string(KLVC_BINARY) + " (is it built?)";
    return result;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = read_file(out_path);
  result.err = read_file(err_path);
  return result;
}

}  // namespace klvc::test
