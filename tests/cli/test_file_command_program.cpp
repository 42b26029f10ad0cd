// `klvc file`: what it does to files that are already there, and a save
// that runs into the file-size limit.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/files.h"

namespace klvc {
namespace {

using testing::ChildProcess;
using testing::TempDir;

int run(const std::vector<std::string>& args, const TempDir& dir, std::string* err) {
  std::vector<std::string> argv = {KLVC_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildProcess klvc;
  std::string error;
  if (!klvc.start(argv, testing::klvc_env(dir.path()), &error)) {
    *err = error;
    return -1;
  }
  const int status = klvc.wait_exit();
  *err = klvc.err();
  return status;
}

TEST(FileNew, ReplacesAnExistingFileOnlyWhenForced) {
  TempDir dir;
  const std::string path = dir.file("mine.dat");
  testing::write_file(path, "mine\n");
  std::string err;
  EXPECT_EQ(run({"file", "new", path}, dir, &err), 1);
  EXPECT_EQ(err, "klvc file: " + path + " already exists; nothing was written. Add --force to replace it with the defaults.\n");
  EXPECT_EQ(testing::read_file(path), "mine\n");
  EXPECT_EQ(run({"file", "new", "--force", path}, dir, &err), 0) << err;
  const std::string defaults = testing::read_file(path);
  EXPECT_EQ(defaults.rfind("s\r\ns\r\n", 0), 0u);  // empty titles first
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = defaults.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(lines, 1507u);
}

// Past the file-size limit (ulimit -f) the save fails with the system's
// reason, leaves no temporary file and keeps the old file.
TEST(FileNew, ASaveOverTheFileSizeLimitKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir.file("kept.dat");
  testing::write_file(path, "old\n");
  const std::string command = "ulimit -f 2; exec '" + std::string(KLVC_BINARY) + "' file new --force '" + path +
                              "' 2>'" + dir.file("err") + "'";
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_NE(testing::read_file(dir.file("err")).find("File too large; the previous file, if any, is unchanged"),
            std::string::npos)
      << testing::read_file(dir.file("err"));
  EXPECT_EQ(testing::read_file(path), "old\n");
  EXPECT_EQ(testing::list_dir(dir.path()), "err kept.dat");
}

}  // namespace
}  // namespace klvc
