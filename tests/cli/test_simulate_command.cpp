#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/simulate_command.h"

namespace klvc {
namespace {

TEST(SimulateCommand, ReadsModelRs485UnitsLinkAndFaults) {
  SimulateOptions o;
  std::string error;
  ASSERT_TRUE(parse_simulate_args({"--model", "A", "--rs485", "--slave", "7", "--slave", "12", "--link",
                                   "/tmp/sw", "--fail", "3:E3", "--fail", "9:MENU", "--delay", "250"},
                                  &o, &error))
      << error;
  EXPECT_EQ(o.model, 0);
  EXPECT_TRUE(o.rs485);
  EXPECT_EQ(o.slaves, (std::vector<int>{7, 12}));
  EXPECT_EQ(o.link, "/tmp/sw");
  EXPECT_EQ(o.faults, (std::vector<std::pair<int, std::string>>{{3, "E3"}, {9, "MENU"}}));
  EXPECT_EQ(o.delay_ms, 250);

  SimulateOptions d;
  ASSERT_TRUE(parse_simulate_args({}, &d, &error));
  EXPECT_EQ(d.model, -1) << "the profile's model";
  EXPECT_FALSE(d.rs485);
  EXPECT_TRUE(d.slaves.empty());

  // The same spellings as send-all.
  for (const char* word : {"b", "B", "KLV-B", "klv-b"}) {
    SimulateOptions m;
    ASSERT_TRUE(parse_simulate_args({"--model", word}, &m, &error)) << word;
    EXPECT_EQ(m.model, 1) << word;
  }
}

TEST(SimulateCommand, RefusesBadWordsWithAMessage) {
  const std::vector<std::vector<std::string>> bad = {
      {"--model", "F"}, {"--model"}, {"--rs485", "--slave", "32"}, {"--slave", "3"},
      {"--fail", "0:E3"}, {"--fail", "3"}, {"--delay", "-1"}, {"--frobnicate"},
      {"--rs485", "--slave", "4", "--slave", "4"},
  };
  for (const auto& args : bad) {
    SimulateOptions o;
    std::string error;
    EXPECT_FALSE(parse_simulate_args(args, &o, &error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace klvc
