// The klvc program's own command line, run as a user's script would run it.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/files.h"
#include "support/run_program.h"
#include "support/settings_lines.h"
#include "support/text.h"

namespace klvc {
namespace {

using testing::default_file_lines;
using testing::contains;
using testing::join_lines;
using testing::read_file;
using testing::run_klvc;
using testing::TempDir;
using testing::write_file;

const char kRunHelp[] = "Run 'klvc --help'.";

TEST(Cli, VersionAndHelp) {
  testing::RunResult r = run_klvc({"--version"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "klvc 2.10\n");
  EXPECT_EQ(r.err, "");

  r = run_klvc({"--help"});
  EXPECT_EQ(r.exit_code, 0);
  for (const char* line : {"klvc file new [--force] OUT.dat", "klvc file check FILE.dat",
                           "klvc file export FILE [--titles]", "klvc file import TEXT OUT.dat [--base BASE.dat]",
                           "klvc file diff A B"}) {
    EXPECT_TRUE(contains(r.out, line)) << r.out;
  }
}

TEST(Cli, BadUsageExitsTwoWithAHint) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"}, {"file"}, {"file", "new"}, {"file", "frob", "x.dat"}, {"file", "check", "a", "b"},
      {"--version", "extra"}};
  for (const auto& args : cases) {
    SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
    testing::RunResult r = run_klvc(args);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(contains(r.err, args[0] == "file" ? "Run 'klvc file --help'." : kRunHelp)) << r.err;
  }
}

TEST(CliFile, NewWritesTheDefaultFile) {
  TempDir dir;
  std::string path = dir.file("new.dat");
  testing::RunResult r = run_klvc({"file", "new", path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(read_file(path), join_lines(default_file_lines()));

  std::string bad = dir.file("missing/new.dat");
  r = run_klvc({"file", "new", bad});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(contains(r.err, bad)) << r.err;
}

TEST(CliFile, CheckReportsEachMendWithItsLine) {
  TempDir dir;
  std::string good = dir.file("good.dat");
  write_file(good, join_lines(default_file_lines(), "\n"));
  testing::RunResult r = run_klvc({"file", "check", good});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");

  std::vector<std::string> lines = default_file_lines();
  lines[1390 - 1] = "99";
  lines[400 - 1] = "7";
  lines.resize(1500);
  std::string bad = dir.file("bad.dat");
  write_file(bad, join_lines(lines));
  r = run_klvc({"file", "check", bad});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(contains(r.err, bad + ":400: skip/live flag 7 out of range 0..1, reset to default 1")) << r.err;
  EXPECT_TRUE(contains(r.err, bad + ":1390: output route 99 out of range 0..64, reset to default 5")) << r.err;
  EXPECT_TRUE(contains(r.err, bad + ": the file ends early")) << r.err;

  std::string missing = dir.file("missing.dat");
  r = run_klvc({"file", "check", missing});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_TRUE(contains(r.err, "cannot open " + missing)) << r.err;
}

TEST(CliFile, ShowListsEverySettingReadably) {
  TempDir dir;
  std::vector<std::string> lines = default_file_lines();
  lines[0] = "\x82\xA0\x82\xA2";  // あい
  lines[1385 + 2 - 1] = "11";      // output 3 routes input 12
  lines[1385 + 4 - 1] = "28";      // KLV-A's Auto
  std::string path = dir.file("a.dat");
  write_file(path, join_lines(lines));
  testing::RunResult r = run_klvc({"file", "show", path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  int settings = 0;
  for (std::size_t at = 0; at < r.out.size(); at = r.out.find('\n', at) + 1) {
    settings += r.out[at] != '#' && r.out[at] != '\n';
  }
  EXPECT_EQ(settings, 1507);
  for (const char* line : {"title ch01 = \"あい\"\n", "title ch02 = \"\"\n", "alarm_input term05 = ch05\n",
                           "alarm_output ch03 term4 = OFF\n", "sequence in03 out06 = LIVE\n", "dwell out01 = 4s\n",
                           "route out03 = in12\n", "route out05 = in29  # Auto on KLV-A\n", "alarm_hold_time = 10\n",
                           "alarm_polarity = MAKE\n", "password = \"573920\"\n"}) {
    EXPECT_TRUE(contains(r.out, line)) << line;
  }

  // Two files that differ in one value differ in one listed line.
  lines[1498 - 1] = "1";
  std::string other = dir.file("b.dat");
  write_file(other, join_lines(lines));
  testing::RunResult r2 = run_klvc({"file", "show", other});
  ASSERT_EQ(r2.exit_code, 0);
  std::string::size_type at = 0;
  while (at < r.out.size() && r.out[at] == r2.out[at]) ++at;
  std::string::size_type line_start = r.out.rfind('\n', at) + 1;
  EXPECT_EQ(r2.out.substr(line_start, r2.out.find('\n', line_start) - line_start), "alarm_polarity = BREAK");
  EXPECT_EQ(r.out.size() + 1, r2.out.size());  // "MAKE" and "BREAK" differ by one byte
}

}  // namespace
}  // namespace klvc
