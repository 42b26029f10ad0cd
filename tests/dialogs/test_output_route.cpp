// The route command of one output, from the store.
#include <gtest/gtest.h>

#include "dialogs/command_fields.h"
#include "dialogs/output_route.h"
#include "settings/store.h"

namespace klvc {
namespace {

class OutputRoute : public testing::Test {
 protected:
  void SetUp() override { reset_whole_store(); }
  void route(int output, int input) { store().output_routes[static_cast<std::size_t>(output)] = input; }
};

TEST_F(OutputRoute, OutputAndInputAreTwoDigitsEach) {
  store().model_index = 4;
  route(2, 11);
  EXPECT_EQ(output_route_command(2), "O03I12\r\n");
  route(9, 4);
  EXPECT_EQ(output_route_command(9), "O10I05\r\n");
  EXPECT_EQ(output_route_command(0), "O01I01\r\n");  // default: output o shows input o
  route(15, 63);
  EXPECT_EQ(output_route_command(15), "O16I64\r\n");
}

TEST_F(OutputRoute, AutoIsSeventy) {
  store().model_index = 4;
  route(15, 64);
  EXPECT_EQ(output_route_command(15), "O16I70\r\n");
  store().model_index = 0;
  route(0, 28);
  EXPECT_EQ(output_route_command(0), "O01I70\r\n");
  route(0, 27);
  EXPECT_EQ(output_route_command(0), "O01I28\r\n");
}

TEST_F(OutputRoute, RoutesTheModelLacksGoOutAsAuto) {
  store().model_index = 0;  // 28 inputs
  route(0, 64);             // left from a larger model
  EXPECT_EQ(output_route_command(0), "O01I70\r\n");
  route(1, 99);             // from a hand-edited file
  EXPECT_EQ(output_route_command(1), "O02I70\r\n");
  route(2, -5);
  EXPECT_EQ(output_route_command(2), "O03I70\r\n");
  EXPECT_FALSE(route_is_input(28));
  EXPECT_TRUE(route_is_input(27));
}

TEST_F(OutputRoute, OutputsOutsideTheStoreBuildNothing) {
  EXPECT_EQ(output_route_command(16), "");
  EXPECT_EQ(output_route_command(-1), "");
}

TEST(CommandFields, TwoDigitFieldsStayInTheirBytes) {
  std::string line = "AST0103\r\n";
  EXPECT_TRUE(put_two_digits(line, 5, 60));
  EXPECT_TRUE(put_two_digits(line, 3, 7));
  EXPECT_EQ(line, "AST0760\r\n");
  EXPECT_FALSE(put_two_digits(line, 3, 100));
  EXPECT_FALSE(put_two_digits(line, 3, -1));
  EXPECT_FALSE(put_two_digits(line, 8, 12));  // would run past the end
  EXPECT_EQ(line, "AST0760\r\n");
  std::string on = "TCO01OF\r\n";
  put_on_off(on, 5, true);
  EXPECT_EQ(on, "TCO01ON\r\n");
  std::string off = "TCO01OF\r\n";
  put_on_off(off, 5, false);
  EXPECT_EQ(off, "TCO01OF\r\n");
}

}  // namespace
}  // namespace klvc
