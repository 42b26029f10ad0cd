#include <gtest/gtest.h>

#include "settings/settings_file.h"
#include "settings/store.h"
#include "support/settings_lines.h"

namespace klvc {
namespace {

using testing::default_file_lines;
using testing::join_lines;

// A file in which every value differs from its default.
std::vector<std::string> varied_lines() {
  std::vector<std::string> l = default_file_lines();
  for (int c = 0; c < 64; ++c) l[c] = "\x83\x41" + std::to_string(c);  // ア0, ア1, ...
  for (int t = 0; t < 24; ++t) l[64 + t] = std::to_string(63 - t);
  for (int i = 88; i < 344; ++i) l[i] = "1";
  for (int i = 344; i < 1368; ++i) l[i] = "0";
  for (int o = 0; o < 16; ++o) {
    l[1368 + o] = std::to_string(59 - o);
    l[1384 + o] = std::to_string(64 - o);
    l[1400 + o] = "0";
    l[1416 + o] = "0";
  }
  for (int c = 0; c < 64; ++c) l[1432 + c] = "0";
  const char* singles[] = {"59", "1", "1", "1", "1", "23", "3", "63", "1", "1"};
  for (int i = 0; i < 10; ++i) l[1496 + i] = singles[i];
  l[1506] = "ABCDEF";
  return l;
}

class SettingsReadTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_to_defaults(s); }

  ReadResult read(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
    return read_settings_text(s, s.model_index, join_lines(lines, end));
  }
  // The file the writer makes of the settings as they are now.
  std::string written() const {
    std::string bytes;
    std::string error;
    EXPECT_TRUE(settings_file_text(s, s.model_index, &bytes, &error)) << error;
    return bytes;
  }
  // The problems as "line: message" for readable failures.
  static std::string listed(const ReadResult& r) {
    std::string out;
    for (const FileProblem& p : r.problems) out += describe(p) + "\n";
    return out;
  }
  SettingsStore s;
};

void expect_varied_values(const SwitcherSettings& s) {
  EXPECT_EQ(s.channel_titles[0], "\x83\x41" "0");
  EXPECT_EQ(s.channel_titles[63], "\x83\x41" "63");
  EXPECT_EQ(s.alarm_input_channels[0], 63);
  EXPECT_EQ(s.alarm_input_channels[23], 40);
  for (int v : s.alarm_outputs) EXPECT_EQ(v, 1);
  for (int v : s.sequence_live) EXPECT_EQ(v, 0);
  for (int o = 0; o < 16; ++o) {
    EXPECT_EQ(s.dwell_times[o], 59 - o);
    EXPECT_EQ(s.output_routes[o], 64 - o);
    EXPECT_EQ(s.output_title_display[o], 0);
    EXPECT_EQ(s.datetime_display[o], 0);
  }
  for (int v : s.input_title_display) EXPECT_EQ(v, 0);
  EXPECT_EQ(s.alarm_hold_time, 59);
  EXPECT_EQ(s.alarm_polarity, 1);
  EXPECT_EQ(s.alarm_return, 1);
  EXPECT_EQ(s.buzzer_output, 1);
  EXPECT_EQ(s.memory_number_display, 1);
  EXPECT_EQ(s.alarm_input_terminal, 23);
  EXPECT_EQ(s.alarm_output_terminal, 3);
  EXPECT_EQ(s.alarm_channel, 63);
  EXPECT_EQ(s.password_menu, 1);
  EXPECT_EQ(s.password_operation, 1);
  EXPECT_EQ(s.panel_password, "ABCDEF");
}

TEST_F(SettingsReadTest, LoadsEveryValue) {
  ReadResult r = read(varied_lines());
  EXPECT_TRUE(r.clean()) << listed(r);
  expect_varied_values(s);
}

// On the smallest model: the elements beyond its counts are written all the same.
TEST_F(SettingsReadTest, WhatTheWriterWritesReadsBackUnchanged) {
  read(varied_lines());
  ASSERT_EQ(s.model_index, 0);
  const std::string bytes = written();
  EXPECT_EQ(bytes, join_lines(varied_lines()));
  reset_to_defaults(s);
  EXPECT_TRUE(read_settings_text(s, s.model_index, bytes).clean());
  expect_varied_values(s);
}

TEST_F(SettingsReadTest, WhiteSpaceOfAnyKindSeparatesValues) {
  std::vector<std::string> lines = varied_lines();
  for (const std::string& end : {std::string("\n"), std::string("\r\n\r\n"), std::string(" \t\n")}) {
    reset_to_defaults(s);
    EXPECT_TRUE(read(lines, end).clean());
    expect_varied_values(s);
  }
  std::string spaced;
  for (const std::string& l : lines) spaced += "   " + l + "\n\n";
  reset_to_defaults(s);
  EXPECT_TRUE(read_settings_text(s, s.model_index, spaced).clean());
  expect_varied_values(s);
}

TEST_F(SettingsReadTest, TitleOfTheLetterSReadsBackEmptyTheLongestAndFullWidthSpacesUnchanged) {
  std::string title;
  for (int i = 0; i < 8; ++i) title += "\x88\x9F\x81\x40";  // 亜 and a full-width space, 32 bytes
  std::vector<std::string> lines = default_file_lines();
  s.channel_titles[0] = "x";
  lines[0] = "s";
  lines[1] = "ss";
  lines[7] = title;
  EXPECT_TRUE(read(lines).clean());
  EXPECT_EQ(s.channel_titles[0], "");
  EXPECT_EQ(s.channel_titles[1], "ss");
  EXPECT_EQ(s.channel_titles[7], title);
}

TEST_F(SettingsReadTest, LoadingLeavesSelectionsSetupAndFileNameAlone) {
  s.current_output = 5;
  s.current_input = 40;
  s.current_channel = 33;
  s.slave_number = 12;
  s.model_index = 2;
  s.interface_mode = 1;
  s.com_port_index = 3;
  s.file_name = "/data/a.dat";
  read(varied_lines());
  EXPECT_EQ(s.current_output, 5);
  EXPECT_EQ(s.current_input, 40);
  EXPECT_EQ(s.current_channel, 33);
  EXPECT_EQ(s.slave_number, 12);
  EXPECT_EQ(s.model_index, 2);
  EXPECT_EQ(s.interface_mode, 1);
  EXPECT_EQ(s.com_port_index, 3);
  EXPECT_EQ(s.file_name, "/data/a.dat");
}

TEST_F(SettingsReadTest, FileEndingAfterLine1000KeepsTheRestAndEmptiesThePassword) {
  std::vector<std::string> lines = varied_lines();
  lines.resize(1000);
  ReadResult r = read(lines);
  EXPECT_EQ(s.channel_titles[63], "\x83\x41" "63");
  EXPECT_EQ(s.alarm_input_channels[23], 40);
  for (int v : s.alarm_outputs) EXPECT_EQ(v, 1);
  // Lines 345..1000 hold sequence elements 0..655.
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(s.sequence_live[i], i <= 655 ? 0 : 1) << i;
  for (int o = 0; o < 16; ++o) EXPECT_EQ(s.output_routes[o], o);
  EXPECT_EQ(s.alarm_hold_time, 9);
  EXPECT_EQ(s.panel_password, "");
  ASSERT_EQ(r.problems.size(), 1u) << listed(r);
  EXPECT_EQ(r.problems[0].line, 0);
  EXPECT_NE(r.problems[0].message.find("1001 to 1507"), std::string::npos) << listed(r);
}

TEST_F(SettingsReadTest, FileEndingAmongTheTitlesEmptiesTheRestOfThem) {
  std::vector<std::string> lines = varied_lines();
  lines.resize(10);
  for (std::string& t : s.channel_titles) t = "old";
  s.output_routes[3] = 7;
  ReadResult r = read(lines);
  EXPECT_EQ(s.channel_titles[9], "\x83\x41" "9");
  EXPECT_EQ(s.channel_titles[10], "");
  EXPECT_EQ(s.channel_titles[63], "");
  EXPECT_EQ(s.output_routes[3], 7);
  EXPECT_EQ(s.panel_password, "");
  EXPECT_FALSE(r.clean());
}

TEST_F(SettingsReadTest, EmptyPasswordLineIsCleanButAMissingOneIsReported) {
  std::vector<std::string> lines = default_file_lines();
  lines[1506] = "";
  EXPECT_TRUE(read(lines).clean());
  EXPECT_EQ(s.panel_password, "");
  lines.pop_back();
  s.panel_password = "x";
  ReadResult r = read(lines);
  EXPECT_EQ(s.panel_password, "");
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_NE(r.problems[0].message.find("password"), std::string::npos);
}

TEST_F(SettingsReadTest, NonNumberStopsEveryLaterNumberAndBecomesThePassword) {
  std::vector<std::string> lines = varied_lines();
  lines[1390 - 1] = "abc";
  ReadResult r = read(lines);
  for (int o = 0; o < 5; ++o) EXPECT_EQ(s.output_routes[o], 64 - o);
  for (int o = 5; o < 16; ++o) EXPECT_EQ(s.output_routes[o], o);  // kept from before
  EXPECT_EQ(s.output_title_display[0], 1);
  EXPECT_EQ(s.password_operation, 0);
  EXPECT_EQ(s.panel_password, "abc");
  ASSERT_EQ(r.problems.size(), 1u) << listed(r);
  EXPECT_EQ(r.problems[0].line, 1390);
  // Line 1390 and the 116 numbers after it up to line 1506.
  EXPECT_NE(r.problems[0].message.find("116"), std::string::npos) << listed(r);
  EXPECT_NE(r.problems[0].message.find("password"), std::string::npos) << listed(r);
}

TEST_F(SettingsReadTest, NumbersAreReadAsSignAndDigits) {
  std::vector<std::string> lines = default_file_lines();
  lines[1369 - 1] = "+7";
  lines[1370 - 1] = "007";
  lines[1371 - 1] = "-0";
  lines[1372 - 1] = "12abc";  // 12, then "abc" fails every later number
  ReadResult r = read(lines);
  EXPECT_EQ(s.dwell_times[0], 7);
  EXPECT_EQ(s.dwell_times[1], 7);
  EXPECT_EQ(s.dwell_times[2], 0);
  EXPECT_EQ(s.dwell_times[3], 12);
  EXPECT_EQ(s.panel_password, "abc");
  ASSERT_EQ(r.problems.size(), 1u) << listed(r);
  EXPECT_EQ(r.problems[0].line, 1372);
}

TEST_F(SettingsReadTest, LoneSignIsConsumedBeforeTheFailingByte) {
  std::vector<std::string> lines = default_file_lines();
  lines[1497 - 1] = "-x";
  s.alarm_hold_time = 20;
  ReadResult r = read(lines);
  EXPECT_EQ(s.alarm_hold_time, 20);
  EXPECT_EQ(s.panel_password, "x");
  ASSERT_EQ(r.problems.size(), 1u) << listed(r);
  EXPECT_NE(r.problems[0].message.find("'-x'"), std::string::npos) << listed(r);
}

// The file layout, run by run: its lines, the largest value the store field
// allows on the largest model, and the defaults of its first and last line.
struct LayoutRun { int first, last, max, first_default, last_default; };
const LayoutRun kLayout[] = {
    {65, 88, 63, 0, 23},      // alarm input terminal t watches channel t
    {89, 344, 1, 0, 0},       // alarm outputs OFF
    {345, 1368, 1, 1, 1},     // skip/live: LIVE
    {1369, 1384, 59, 3, 3},   // dwell times 1..60 s as 0..59
    {1385, 1400, 64, 0, 15},  // routes: 64 inputs and "Auto"; output o shows input o
    {1401, 1416, 1, 1, 1},    // output title display ON
    {1417, 1432, 1, 1, 1},    // date/time display ON
    {1433, 1496, 1, 1, 1},    // input title display ON
    {1497, 1497, 59, 9, 9},   // alarm hold time "01".."60"
    {1498, 1498, 1, 0, 0},    // alarm polarity MAKE
    {1499, 1499, 1, 0, 0},    // alarm return OFF
    {1500, 1500, 1, 0, 0},    // buzzer OFF
    {1501, 1501, 1, 0, 0},    // memory number display OFF
    {1502, 1502, 23, 0, 0},   // selected alarm input terminal
    {1503, 1503, 3, 0, 0},    // selected alarm output terminal
    {1504, 1504, 63, 0, 0},   // selected alarm channel
    {1505, 1505, 1, 0, 0},    // menu lock OFF
    {1506, 1506, 1, 0, 0},    // operation lock OFF
};

TEST_F(SettingsReadTest, OutOfRangeValuesGoBackToTheirDefaultsWithTheirLine) {
  for (const LayoutRun& run : kLayout) {
    for (const auto& [line, fallback] : {std::make_pair(run.first, run.first_default),
                                         std::make_pair(run.last, run.last_default)}) {
      SCOPED_TRACE(line);
      for (int value : {0, run.max}) {
        reset_to_defaults(s);
        std::vector<std::string> lines = default_file_lines();
        lines[line - 1] = std::to_string(value);
        ASSERT_TRUE(read(lines).clean()) << value;
        EXPECT_EQ(written(), join_lines(lines));
      }
      for (const std::string& bad : {std::to_string(run.max + 1), std::string("-1"), std::string("99999999999")}) {
        reset_to_defaults(s);
        std::vector<std::string> lines = default_file_lines();
        lines[line - 1] = bad;
        ReadResult r = read(lines);
        ASSERT_EQ(r.problems.size(), 1u) << bad;
        EXPECT_EQ(r.problems[0].line, line);
        EXPECT_NE(r.problems[0].message.find(bad + " out of range 0.." + std::to_string(run.max) +
                                             ", reset to default " + std::to_string(fallback)),
                  std::string::npos)
            << r.problems[0].message;
        EXPECT_EQ(written(), join_lines(default_file_lines()));
      }
    }
  }
}

TEST_F(SettingsReadTest, NumbersPastTheIntegerRangeAreOutOfRange) {
  std::vector<std::string> lines = default_file_lines();
  lines[1385 - 1] = "4294967296";  // would wrap to 0 in 32 bits
  lines[1386 - 1] = "-2147483649";
  lines[1387 - 1] = std::string(400, '9');
  ReadResult r = read(lines);
  EXPECT_EQ(s.output_routes[0], 0);
  EXPECT_EQ(s.output_routes[1], 1);
  EXPECT_EQ(s.output_routes[2], 2);
  EXPECT_EQ(r.problems.size(), 3u) << listed(r);
}

TEST_F(SettingsReadTest, OverlongTokensAreCutWithoutShiftingLaterValues) {
  std::vector<std::string> lines = varied_lines();
  lines[2] = std::string(40, 'T');
  lines[1506] = std::string(50, 'P');
  ReadResult r = read(lines);
  EXPECT_EQ(s.channel_titles[2], std::string(33, 'T'));
  EXPECT_EQ(s.channel_titles[3], "\x83\x41" "3");
  EXPECT_EQ(s.panel_password, std::string(33, 'P'));
  EXPECT_EQ(s.alarm_input_channels[0], 63);
  std::string all = listed(r);
  EXPECT_NE(all.find("line 3: ch03 title of 40 bytes cut to 33"), std::string::npos) << all;
  EXPECT_NE(all.find("line 3: ch03 title is 33 bytes, more than 32"), std::string::npos) << all;
  EXPECT_NE(all.find("line 1507: password of 50 bytes cut to 33"), std::string::npos) << all;
}

TEST_F(SettingsReadTest, OddTextsAreKeptButReported) {
  std::vector<std::string> lines = default_file_lines();
  lines[0] = std::string(33, 'a');                     // one byte too long for a title
  lines[1] = std::string("ab\0cd", 5);                 // NUL ends the text
  lines[1506] = "12345678";                            // more than the six the switcher takes
  ReadResult r = read(lines);
  EXPECT_EQ(s.channel_titles[0], std::string(33, 'a'));
  EXPECT_EQ(s.channel_titles[1], "ab");
  EXPECT_EQ(s.panel_password, "12345678");
  ASSERT_EQ(r.problems.size(), 3u) << listed(r);
  EXPECT_EQ(r.problems[0].line, 1);
  EXPECT_EQ(r.problems[1].line, 2);
  EXPECT_EQ(r.problems[2].line, 1507);
}

TEST_F(SettingsReadTest, TextAfterThePasswordIsIgnoredButReported) {
  std::vector<std::string> lines = default_file_lines();
  lines.push_back("extra");
  ReadResult r = read(lines);
  EXPECT_EQ(s.panel_password, "573920");
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0].line, 1508);
}

TEST_F(SettingsReadTest, ProblemLinesCountTheFilesOwnLines) {
  std::vector<std::string> lines = default_file_lines();
  lines[1385 - 1] = "99";
  std::string bytes = "\n\n" + join_lines(lines, "\n");  // two blank lines in front
  ReadResult r = read_settings_text(s, s.model_index, bytes);
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0].line, 1387);
  EXPECT_EQ(describe(r.problems[0]), "line 1387: output route 99 out of range 0..64, reset to default 0");
}

TEST_F(SettingsReadTest, EmptyFileEmptiesTextsAndKeepsNumbers) {
  s.output_routes[0] = 9;
  s.channel_titles[0] = "x";
  ReadResult r = read_settings_text(s, s.model_index, "");
  EXPECT_EQ(s.output_routes[0], 9);
  EXPECT_EQ(s.channel_titles[0], "");
  EXPECT_EQ(s.panel_password, "");
  ASSERT_EQ(r.problems.size(), 1u);
  EXPECT_EQ(r.problems[0].line, 0);
}

}  // namespace
}  // namespace klvc
