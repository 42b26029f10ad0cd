#include <gtest/gtest.h>

#include "settings/settings_file.h"
#include "settings/store.h"
#include "support/settings_lines.h"

namespace klvc {
namespace {

using testing::default_file_lines;
using testing::join_lines;

class SettingsWriteTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_to_defaults(s); }

  std::string text(std::vector<std::string>* notes = nullptr) {
    std::string bytes;
    std::string error;
    EXPECT_TRUE(settings_file_text(s, s.model_index, &bytes, &error, notes)) << error;
    return bytes;
  }
  std::string refused() {
    std::string bytes;
    std::string error;
    EXPECT_FALSE(settings_file_text(s, s.model_index, &bytes, &error));
    return error;
  }
  SettingsStore s;
};

TEST_F(SettingsWriteTest, DefaultsGiveTheKnownFile) {
  std::string bytes = text();
  EXPECT_EQ(bytes, join_lines(default_file_lines()));
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 1507);
}

TEST_F(SettingsWriteTest, ValuesGoToTheirLinesAsStored) {
  s.channel_titles[1] = "\x82\xA0\x82\xA2";  // あい
  s.alarm_input_channels[23] = 40;
  s.alarm_outputs[alarm_output_index(2, 3)] = 1;
  s.sequence_live[sequence_live_index(2, 5)] = 0;
  s.dwell_times[15] = 59;
  s.output_routes[4] = 64;
  s.output_title_display[0] = 0;
  s.datetime_display[1] = 0;
  s.input_title_display[63] = 0;
  s.alarm_hold_time = 0;
  s.alarm_polarity = 1;
  s.alarm_return = 1;
  s.buzzer_output = 1;
  s.memory_number_display = 1;
  s.alarm_input_terminal = 23;
  s.alarm_output_terminal = 3;
  s.alarm_channel = 63;
  s.password_menu = 1;
  s.password_operation = 1;
  s.panel_password = "AB12";
  s.model_index = 0;  // elements beyond the model's counts are written all the same

  std::vector<std::string> want = default_file_lines();
  want[1] = "\x82\xA0\x82\xA2";
  want[88 - 1] = "40";
  want[89 + 4 * 2 + 3 - 1] = "1";
  want[345 + 16 * 2 + 5 - 1] = "0";
  want[1384 - 1] = "59";
  want[1389 - 1] = "64";
  want[1401 - 1] = "0";
  want[1418 - 1] = "0";
  want[1496 - 1] = "0";
  for (int line = 1497; line <= 1506; ++line) want[line - 1] = "1";
  want[1497 - 1] = "0";
  want[1502 - 1] = "23";
  want[1503 - 1] = "3";
  want[1504 - 1] = "63";
  want[1507 - 1] = "AB12";
  EXPECT_EQ(text(), join_lines(want));
}

TEST_F(SettingsWriteTest, LongestTitleAndFullWidthSpacesGoOutUnchanged) {
  std::string title;
  for (int i = 0; i < 15; ++i) title += "\x88\x9F";  // 亜
  title += "\x81\x40";                               // full-width space: 32 bytes in all
  s.channel_titles[0] = title;
  std::vector<std::string> notes;
  std::string bytes = text(&notes);
  EXPECT_EQ(bytes.substr(0, 34), title + "\r\n");
  EXPECT_TRUE(notes.empty());
}

TEST_F(SettingsWriteTest, EmptyPasswordLeavesAnEmptyLastLine) {
  s.panel_password.clear();
  std::string bytes = text();
  EXPECT_EQ(bytes.substr(bytes.size() - 5), "0\r\n\r\n");
}

TEST_F(SettingsWriteTest, HalfWidthSpacesInTitlesBecomeFullWidthSpaces) {
  s.channel_titles[4] = "\x82\xA0 \x82\xA2";  // あ い
  s.channel_titles[9] = " ";
  s.channel_titles[10] = "a\tb";
  std::vector<std::string> notes;
  std::vector<std::string> want = default_file_lines();
  want[4] = "\x82\xA0\x81\x40\x82\xA2";
  want[9] = "\x81\x40";
  want[10] = "a\x81\x40" "b";
  EXPECT_EQ(text(&notes), join_lines(want));
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_NE(notes[0].find("channel 5"), std::string::npos) << notes[0];
  EXPECT_NE(notes[0].find("full-width"), std::string::npos) << notes[0];
  EXPECT_NE(notes[1].find("channel 10"), std::string::npos) << notes[1];
  // The store keeps what the operator typed.
  EXPECT_EQ(s.channel_titles[4], "\x82\xA0 \x82\xA2");
}

TEST_F(SettingsWriteTest, TitleOfTheLetterSIsWrittenButNoted) {
  s.channel_titles[2] = "s";
  std::vector<std::string> notes;
  std::string bytes = text(&notes);
  EXPECT_EQ(bytes.substr(0, 9), "s\r\ns\r\ns\r\n");
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("channel 3"), std::string::npos);
}

TEST_F(SettingsWriteTest, RefusesWhatTheFileCannotHold) {
  s.panel_password = "12 456";
  std::string error = refused();
  EXPECT_NE(error.find("password"), std::string::npos) << error;
  EXPECT_NE(error.find("space"), std::string::npos) << error;

  s.panel_password = "123456";
  std::string title;
  for (int i = 0; i < 15; ++i) title += "\x82\xA0";
  s.channel_titles[6] = title + "a ";  // 33 bytes in the file: the most it holds
  text();
  s.channel_titles[6] = title + "ab ";  // 34 bytes once the space is full-width
  error = refused();
  EXPECT_NE(error.find("channel 7"), std::string::npos) << error;

  s.channel_titles[6] = std::string("ab\0c", 4);
  error = refused();
  EXPECT_NE(error.find("channel 7"), std::string::npos) << error;
}

}  // namespace
}  // namespace klvc
