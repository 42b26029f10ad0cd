// The per-user profile: where it lives, what a damaged one gives, and how
// it is rewritten.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "profile/ini_file.h"
#include "screen/main_frame.h"
#include "profile/profile.h"
#include "support/files.h"
#include "support/scoped_env.h"

namespace klvc {
namespace {

using testing::read_file;
using testing::TempDir;
using testing::write_file;

TEST(ProfilePath, FollowsXdgConfigHomeElseHome) {
  testing::ScopedEnv xdg("XDG_CONFIG_HOME", "/tmp/cfg");
  testing::ScopedEnv home("HOME", "/home/op");
  EXPECT_EQ(profile_path(), "/tmp/cfg/klvc/klvc.ini");
  xdg.set(nullptr);
  EXPECT_EQ(profile_path(), "/home/op/.config/klvc/klvc.ini");
  // A relative XDG_CONFIG_HOME is to be ignored.
  xdg.set("relative/cfg");
  EXPECT_EQ(profile_path(), "/home/op/.config/klvc/klvc.ini");
  // Without HOME: the home the password database gives; never /tmp.
  home.set(nullptr);
  const std::string pw_home = getpwuid(getuid())->pw_dir;
  EXPECT_EQ(profile_path(), pw_home + "/.config/klvc/klvc.ini");
}

TEST(ProfileRead, MissingFileGivesDefaultsWithoutComplaint) {
  TempDir dir;
  std::vector<std::string> notes;
  ProfileValues v = read_profile(dir.file("none.ini"), &notes);
  EXPECT_EQ(v.com_port, 0);
  EXPECT_EQ(v.rs_control, 0);
  EXPECT_EQ(v.klv_model, 0);
  EXPECT_TRUE(notes.empty());
}

TEST(ProfileRead, ReadsTheThreeKeysAndTheDeviceMap) {
  TempDir dir;
  write_file(dir.file("p.ini"),
             "; written by hand\r\n"
             "[Other]\ncom_port=5\n"
             "[KLV-C_Section]  # the targets file's comment rule\r\n"
             "com_port = 3\r\n"
             "RS_CONTROL=1\n"
             "klv_model=4 ; KLV-E\n"
             "com2_device=/dev/ttyUSB0\n"
             "com6_device = /dev/serial/by-id/x y\n");
  std::vector<std::string> notes;
  ProfileValues v = read_profile(dir.file("p.ini"), &notes);
  EXPECT_EQ(v.com_port, 3);
  EXPECT_EQ(v.rs_control, 1);
  EXPECT_EQ(v.klv_model, 4);
  EXPECT_EQ(v.devices[0], "");
  EXPECT_EQ(v.devices[1], "/dev/ttyUSB0");
  EXPECT_EQ(v.devices[5], "/dev/serial/by-id/x y");
  EXPECT_TRUE(notes.empty());
}

TEST(ProfileRead, OutOfRangeOrGarbledValuesBecomeZeroWithANote) {
  TempDir dir;
  write_file(dir.file("p.ini"),
             "[KLV-C_Section]\ncom_port=9\nrs_control=-1\nklv_model=2x\n");
  std::vector<std::string> notes;
  ProfileValues v = read_profile(dir.file("p.ini"), &notes);
  EXPECT_EQ(v.com_port, 0);
  EXPECT_EQ(v.rs_control, 0);
  EXPECT_EQ(v.klv_model, 0);
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_NE(notes[0].find("com_port = 9 is outside 0..5"), std::string::npos) << notes[0];
  EXPECT_NE(notes[2].find("klv_model"), std::string::npos);

  // The largest valid values pass; one beyond does not.
  write_file(dir.file("q.ini"), "[KLV-C_Section]\ncom_port=5\nrs_control=1\nklv_model=5\n");
  v = read_profile(dir.file("q.ini"));
  EXPECT_EQ(v.com_port, 5);
  EXPECT_EQ(v.rs_control, 1);
  EXPECT_EQ(v.klv_model, 0);
  write_file(dir.file("r.ini"), "[KLV-C_Section]\nklv_model=99999999999999999999\n");
  EXPECT_EQ(read_profile(dir.file("r.ini")).klv_model, 0);
}

TEST(ProfileRead, BinaryJunkOrAFolderGivesDefaults) {
  TempDir dir;
  std::string junk;
  for (int i = 0; i < 3000; ++i) junk += static_cast<char>((i * 37) & 0xff);
  write_file(dir.file("junk.ini"), junk);
  ProfileValues v = read_profile(dir.file("junk.ini"));
  EXPECT_EQ(v.com_port, 0);
  EXPECT_EQ(v.klv_model, 0);
  std::vector<std::string> notes;
  v = read_profile(dir.path(), &notes);  // a folder where the file should be
  EXPECT_EQ(v.klv_model, 0);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find(dir.path()), std::string::npos);
}

TEST(ProfileWrite, CreatesTheFolderAndFileThatReadBack) {
  TempDir dir;
  const std::string path = dir.file("cfg/klvc/klvc.ini");
  std::string error;
  ASSERT_TRUE(write_profile_ints(system_disk(), path, {{"com_port", 2}, {"rs_control", 1}}, &error)) << error;
  EXPECT_EQ(read_file(path), "[KLV-C_Section]\ncom_port=2\nrs_control=1\n");
  ASSERT_TRUE(write_profile_ints(system_disk(), path, {{"klv_model", 3}}, &error)) << error;
  ProfileValues v = read_profile(path);
  EXPECT_EQ(v.com_port, 2);
  EXPECT_EQ(v.rs_control, 1);
  EXPECT_EQ(v.klv_model, 3);
  EXPECT_EQ(testing::list_dir(dir.file("cfg/klvc")), "klvc.ini");  // no temporary file left
}

TEST(ProfileWrite, KeepsOtherLinesAndReplacesValuesInPlace) {
  TempDir dir;
  const std::string path = dir.file("klvc.ini");
  write_file(path,
             "# mine\n[KLV-C_Section]\ncom_port=9\ncom1_device=/dev/ttyUSB3\n\n[Else]\nx=1\n");
  std::string error;
  ASSERT_TRUE(write_profile_ints(system_disk(), path, {{"com_port", 1}, {"klv_model", 4}}, &error)) << error;
  EXPECT_EQ(read_file(path),
            "# mine\n[KLV-C_Section]\ncom_port=1\ncom1_device=/dev/ttyUSB3\nklv_model=4\n\n[Else]\nx=1\n");
}

TEST(ProfileWrite, FailureNamesThePathAndLeavesTheOldFile) {
  TempDir dir;
  write_file(dir.file("blocker"), "a file where a folder should be");
  std::string error;
  EXPECT_FALSE(write_profile_ints(system_disk(), dir.file("blocker/klvc.ini"), {{"com_port", 1}}, &error));
  EXPECT_NE(error.find(dir.file("blocker")), std::string::npos) << error;
  EXPECT_EQ(read_file(dir.file("blocker")), "a file where a folder should be");
}

TEST(IniText, ParsesIntegersStrictly) {
  EXPECT_EQ(parse_profile_int(" 42 "), 42);
  EXPECT_EQ(parse_profile_int("-3"), -3);
  EXPECT_FALSE(parse_profile_int(""));
  EXPECT_FALSE(parse_profile_int("4 2"));
  EXPECT_FALSE(parse_profile_int("0x1"));
  EXPECT_FALSE(parse_profile_int("-"));
  EXPECT_FALSE(parse_profile_int("2147483648"));
}

}  // namespace
}  // namespace klvc
