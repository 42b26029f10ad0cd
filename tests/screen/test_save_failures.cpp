// Whatever step of a save fails, the file that was there stays as it was, no
// temporary file is left, and the message names the file and the system's
// reason: for the settings file and for the profile alike.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "profile/profile.h"
#include "settings/settings_file.h"
#include "settings/store.h"
#include "support/failing_disk.h"
#include "support/files.h"

namespace klvc {
namespace {

using testing::FailingDisk;
using testing::SaveStep;

struct Save {
  const char* what;
  const char* file;
  std::function<bool(Disk&, const std::string& path, std::string* error)> run;
};

TEST(SaveFailures, EachStepLeavesTheOldFileAndNamesTheReason) {
  SettingsStore doc;
  const Save saves[] = {
      {"settings file", "keep.dat",
       [&doc](Disk& disk, const std::string& path, std::string* error) {
         return write_settings_file(disk, doc, doc.model_index, path, error);
       }},
      {"profile", "klvc.ini",
       [](Disk& disk, const std::string& path, std::string* error) {
         return write_profile_ints(disk, path, {{kKeyModel, 4}}, error);
       }},
  };
  const SaveStep steps[] = {SaveStep::Create, SaveStep::Write, SaveStep::Sync, SaveStep::Close, SaveStep::Rename};
  for (const Save& save : saves) {
    for (SaveStep step : steps) {
      SCOPED_TRACE(std::string(save.what) + ", step " + std::to_string(static_cast<int>(step)));
      testing::TempDir dir;
      const std::string path = dir.file(save.file);
      const std::string before = "[KLV-C_Section]\nklv_model=1\n";
      testing::write_file(path, before);
      doc.modified = 1;
      FailingDisk disk(step, ENOSPC);
      std::string error;
      EXPECT_FALSE(save.run(disk, path, &error));
      EXPECT_EQ(testing::read_file(path), before);
      EXPECT_EQ(testing::list_dir(dir.path()), save.file);
      EXPECT_NE(error.find(path), std::string::npos) << error;
      EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
      EXPECT_EQ(doc.modified, 1);
    }
  }
}

}  // namespace
}  // namespace klvc
