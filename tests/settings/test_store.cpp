#include <gtest/gtest.h>

#include "settings/store.h"

namespace klvc {
namespace {

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_to_defaults(s); }
  SettingsStore s;
};

TEST_F(StoreTest, ResetKeepsSetupSelectionsAndFlags) {
  s.model_index = 3;
  s.interface_mode = 1;
  s.com_port_index = 2;
  s.current_channel = 17;
  s.slave_number = 9;
  s.current_output = 4;
  s.current_input = 6;
  s.modified = 1;
  s.file_name = "/x/y.dat";
  s.channel_titles[3] = "\x82\xA0";
  s.output_routes[2] = 11;
  s.panel_password = "111111";

  reset_to_defaults(s);

  EXPECT_EQ(s.model_index, 3);
  EXPECT_EQ(s.interface_mode, 1);
  EXPECT_EQ(s.com_port_index, 2);
  EXPECT_EQ(s.current_channel, 17);
  EXPECT_EQ(s.slave_number, 9);
  EXPECT_EQ(s.current_output, 4);
  EXPECT_EQ(s.current_input, 6);
  EXPECT_EQ(s.modified, 1);
  EXPECT_EQ(s.file_name, "/x/y.dat");  // the document's, not a setting
  EXPECT_EQ(s.channel_titles[3], "");
  EXPECT_EQ(s.output_routes[2], 2);
  EXPECT_EQ(s.panel_password, "573920");
}

TEST_F(StoreTest, AFreshDocumentHasNoSelections) {
  EXPECT_EQ(s.file_name, "");
  EXPECT_EQ(s.model_index, 0);
  EXPECT_EQ(s.interface_mode, 0);
  EXPECT_EQ(s.slave_number, 0);
  EXPECT_EQ(s.modified, 0);
  EXPECT_EQ(s.output_routes[0], 0);
}

TEST(ModelTable, CountsPerModel) {
  struct Row { const char* name; int inputs, outputs, alarm_in, alarm_out; };
  const Row rows[] = {{"KLV-A", 28, 8, 16, 3}, {"KLV-B", 24, 12, 16, 3}, {"KLV-C", 32, 16, 24, 4},
                      {"KLV-D", 48, 16, 24, 4}, {"KLV-E", 64, 16, 24, 4}};
  for (int m = 0; m < 5; ++m) {
    SCOPED_TRACE(m);
    EXPECT_STREQ(model_name(m), rows[m].name);
    EXPECT_EQ(input_count_for(m), rows[m].inputs);
    EXPECT_EQ(output_count_for(m), rows[m].outputs);
    EXPECT_EQ(alarm_input_terminal_count_for(m), rows[m].alarm_in);
    EXPECT_EQ(alarm_output_terminal_count_for(m), rows[m].alarm_out);
  }
}

TEST(ModelTable, UnknownModelNeverCountsPastTheArrays) {
  for (int m : {-1, 5, 7, 1000}) {
    SCOPED_TRACE(m);
    EXPECT_EQ(input_count_for(m), 28);
    EXPECT_EQ(output_count_for(m), 8);
    EXPECT_EQ(alarm_input_terminal_count_for(m), 16);
    EXPECT_EQ(alarm_output_terminal_count_for(m), 3);
    EXPECT_STREQ(model_name(m), "KLV-A");
  }
}

TEST(StoreIndexes, FlatArraysAreInputMajorAndChannelMajor) {
  EXPECT_EQ(sequence_live_index(2, 5), 37);
  EXPECT_EQ(alarm_output_index(2, 3), 11);
  EXPECT_EQ(sequence_live_index(63, 15), 1023);
  EXPECT_EQ(alarm_output_index(63, 3), 255);
}

}  // namespace
}  // namespace klvc
