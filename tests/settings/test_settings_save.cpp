#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "settings/settings_file.h"
#include "settings/store.h"
#include "support/files.h"
#include "support/settings_lines.h"

namespace klvc {
namespace {

using testing::default_file_lines;
using testing::join_lines;
using testing::list_dir;
using testing::read_file;
using testing::TempDir;
using testing::write_file;

bool save(const SwitcherSettings& s, const std::string& path, std::string* error) {
  return write_settings_file(system_disk(), s, 0, path, error);
}

class SettingsSaveTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_to_defaults(s); }
  bool save(const std::string& path, std::string* error) { return klvc::save(s, path, error); }
  bool open(const std::string& path, ReadResult* result, std::string* error) {
    return read_settings_file(s, 0, path, result, error);
  }
  TempDir dir;
  SettingsStore s;
};

TEST_F(SettingsSaveTest, SaveAndOpenRoundTrip) {
  std::string path = dir.file("a.dat");
  s.output_routes[3] = 11;
  s.channel_titles[0] = "\x82\xA0";
  std::string error;
  ASSERT_TRUE(save(path, &error)) << error;
  EXPECT_EQ(list_dir(dir.path()), "a.dat");

  reset_to_defaults(s);
  ReadResult result;
  ASSERT_TRUE(open(path, &result, &error)) << error;
  EXPECT_TRUE(result.clean());
  EXPECT_EQ(s.output_routes[3], 11);
  EXPECT_EQ(s.channel_titles[0], "\x82\xA0");
}

TEST_F(SettingsSaveTest, ReplacingAFileKeepsItsPermissions) {
  std::string path = dir.file("a.dat");
  write_file(path, "old");
  chmod(path.c_str(), 0640);
  const bool root = geteuid() == 0;  // then the owner and group are kept too
  if (root) {
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
  }
  std::string error;
  ASSERT_TRUE(save(path, &error)) << error;
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_TRUE(st.st_uid == 65534u && st.st_gid == 65534u);
  }
  EXPECT_EQ(read_file(path), join_lines(default_file_lines()));
}

TEST_F(SettingsSaveTest, SavingThroughALinkReplacesTheFileItPointsTo) {
  std::string real = dir.file("real.dat");
  std::string link = dir.file("link.dat");
  write_file(real, "old");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  std::string error;
  ASSERT_TRUE(save(link, &error)) << error;
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(read_file(real), join_lines(default_file_lines()));

  // Not a link someone else planted in a shared sticky folder such as /tmp.
  if (geteuid() != 0) GTEST_SKIP() << "a link of another user needs root to plant";
  const std::string shared = dir.file("shared");
  ASSERT_EQ(mkdir(shared.c_str(), 01777), 0);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  const std::string planted = shared + "/planted.dat";
  ASSERT_EQ(symlink(real.c_str(), planted.c_str()), 0);
  ASSERT_EQ(lchown(planted.c_str(), 65534, 65534), 0);
  write_file(real, "old");
  EXPECT_FALSE(save(planted, &error));
  EXPECT_NE(error.find(planted + " is a symbolic link that"), std::string::npos) << error;
  EXPECT_EQ(read_file(real), "old");
}

TEST_F(SettingsSaveTest, RealFailuresNameThePathAndTheReason) {
  std::string missing = dir.file("no-such-folder/a.dat");
  std::string error;
  EXPECT_FALSE(save(missing, &error));
  EXPECT_NE(error.find(missing), std::string::npos) << error;
  EXPECT_NE(error.find(std::strerror(ENOENT)), std::string::npos) << error;

  // A folder in the way cannot be replaced by a file; it stays as it was.
  std::string folder = dir.file("folder.dat");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  write_file(folder + "/inside", "x");
  EXPECT_FALSE(save(folder, &error));
  EXPECT_NE(error.find(folder), std::string::npos) << error;
  EXPECT_EQ(read_file(folder + "/inside"), "x");
  EXPECT_EQ(list_dir(dir.path()), "folder.dat");

  // A file where the folder should be.
  write_file(dir.file("plain"), "x");
  const std::string under_file = dir.file("plain/a.dat");
  EXPECT_FALSE(save(under_file, &error));
  EXPECT_NE(error.find(under_file), std::string::npos) << error;
  EXPECT_NE(error.find(std::strerror(ENOTDIR)), std::string::npos) << error;
  EXPECT_EQ(read_file(dir.file("plain")), "x");

  EXPECT_FALSE(save("", &error));
  EXPECT_FALSE(error.empty());
}

// Saves in a child process that runs as an ordinary user: folder permissions
// do not bind the superuser, and the tests run as root in CI. Returns the
// save's error text, "saved" when it succeeded.
std::string save_as_ordinary_user(const SwitcherSettings& s, const std::string& path) {
  int out[2];
  if (pipe(out) != 0) return "pipe failed";
  const pid_t pid = fork();
  if (pid == 0) {
    close(out[0]);
    std::string error = "saved";
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
      error = std::string("cannot leave root: ") + std::strerror(errno);
    } else if (save(s, path, &error)) {
      error = "saved";
    }
    (void)!write(out[1], error.data(), error.size());
    _exit(0);
  }
  close(out[1]);
  std::string error;
  char buf[512];
  for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) error.append(buf, static_cast<std::size_t>(n));
  close(out[0]);
  waitpid(pid, nullptr, 0);
  return error;
}

TEST_F(SettingsSaveTest, UnwritableFolderLeavesTheOldFile) {
  std::string sub = dir.file("locked");
  ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
  std::string path = sub + "/a.dat";
  write_file(path, "previous");
  chmod(dir.path().c_str(), 0755);  // the ordinary user may look inside
  chmod(sub.c_str(), 0555);
  const std::string error = save_as_ordinary_user(s, path);
  chmod(sub.c_str(), 0755);
  EXPECT_EQ(read_file(path), "previous");
  EXPECT_EQ(list_dir(sub), "a.dat");
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find(std::strerror(EACCES)), std::string::npos) << error;
}

TEST_F(SettingsSaveTest, RefusedStoreWritesNothing) {
  std::string path = dir.file("a.dat");
  write_file(path, "previous");
  s.panel_password = "12 456";
  std::string error;
  EXPECT_FALSE(save(path, &error));
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find("password"), std::string::npos) << error;
  EXPECT_EQ(read_file(path), "previous");
  EXPECT_EQ(list_dir(dir.path()), "a.dat");
}

TEST_F(SettingsSaveTest, UnreadableFilesLeaveTheStoreUnchanged) {
  s.output_routes[0] = 7;
  ReadResult result;
  std::string error;
  std::string missing = dir.file("missing.dat");
  EXPECT_FALSE(open(missing, &result, &error));
  EXPECT_EQ(error, "cannot open " + missing + ": " + std::strerror(ENOENT));

  EXPECT_FALSE(open(dir.path(), &result, &error));
  EXPECT_EQ(error, "cannot open " + dir.path() + ": " + std::strerror(EISDIR));

  std::string fifo = dir.file("pipe.dat");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(open(fifo, &result, &error));  // must not wait for a writer
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;

  std::string huge = dir.file("huge.dat");
  write_file(huge, std::string(2 << 20, '1'));
  EXPECT_FALSE(open(huge, &result, &error));
  EXPECT_NE(error.find(huge), std::string::npos) << error;

  EXPECT_EQ(s.output_routes[0], 7);
}

}  // namespace
}  // namespace klvc
