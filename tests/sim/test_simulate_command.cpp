#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/simulate_command.h"

namespace klvc {
namespace {

TEST(SimulateCommand, ReadsModelRs485LinkAndFaults) {
  SimulateOptions o;
  std::string error;
  ASSERT_TRUE(parse_simulate_args({"--model", "A", "--rs485", "--slave", "7", "--link", "/tmp/sw",
                                   "--fail", "3:E3", "--fail", "9:MENU", "--delay", "250"},
                                  &o, &error))
      << error;
  EXPECT_EQ(o.model, 0);
  EXPECT_TRUE(o.rs485);
  EXPECT_EQ(o.slave, 7);
  EXPECT_EQ(o.link, "/tmp/sw");
  EXPECT_EQ(o.faults, (std::vector<std::pair<int, std::string>>{{3, "E3"}, {9, "MENU"}}));
  EXPECT_EQ(o.delay_ms, 250);

  SimulateOptions d;
  ASSERT_TRUE(parse_simulate_args({}, &d, &error));
  EXPECT_EQ(d.model, 4) << "the largest model accepts every number";
  EXPECT_FALSE(d.rs485);
}

TEST(SimulateCommand, RefusesBadWordsWithAMessage) {
  const std::vector<std::vector<std::string>> bad = {
      {"--model", "F"}, {"--model"}, {"--rs485", "--slave", "32"}, {"--slave", "3"},
      {"--fail", "0:E3"}, {"--fail", "3"}, {"--delay", "-1"}, {"--frobnicate"},
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
