// The words that start the screen.
#include <gtest/gtest.h>

#include "screen/screen.h"
#include "support/files.h"

namespace klvc {
namespace {

TEST(ScreenArgs, SimulateAndAnOptionalSettingsFile) {
  ScreenArgs a;
  std::string error;
  ASSERT_TRUE(parse_screen_args({}, &a, &error));
  EXPECT_FALSE(a.simulate);
  EXPECT_EQ(a.file, "");
  ASSERT_TRUE(parse_screen_args({"--simulate", "site.DAT"}, &a, &error));
  EXPECT_TRUE(a.simulate);
  EXPECT_EQ(a.file, "site.DAT");
  testing::TempDir dir;
  testing::write_file(dir.file("plain"), "x");
  ASSERT_TRUE(parse_screen_args({dir.file("plain")}, &a, &error));  // an existing file of any name
  EXPECT_EQ(a.file, dir.file("plain"));
}

TEST(ScreenArgs, BadUsageIsNamed) {
  ScreenArgs a;
  std::string error;
  EXPECT_FALSE(parse_screen_args({"--bogus"}, &a, &error));
  EXPECT_EQ(error, "unknown option '--bogus'");
  EXPECT_FALSE(parse_screen_args({"fiel"}, &a, &error));
  EXPECT_EQ(error, "unknown command 'fiel'");
  EXPECT_FALSE(parse_screen_args({"a.dat", "b.dat"}, &a, &error));
  EXPECT_NE(error.find("only one settings file"), std::string::npos);
  EXPECT_FALSE(parse_screen_args({"--fail", "3:E3"}, &a, &error));
  EXPECT_NE(error.find("(--simulate)"), std::string::npos);
}

}  // namespace
}  // namespace klvc
