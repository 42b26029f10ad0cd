// The route command of one output.
#include <gtest/gtest.h>

#include "commands/command_fields.h"
#include "commands/route_commands.h"
#include "dialogs/output_switch.h"
#include "settings/store.h"

namespace klvc {
namespace {

// Output and input are two digits each; "Auto", and any route the model
// lacks, goes out as input 70.
TEST(OutputRoute, OutputAndInputAreTwoDigitsEachAndAutoIsSeventy) {
  struct Case {
    int model;
    int output;  // 0-based, as stored
    int route;   // the stored input index, or kRouteAuto
    const char* line;
  };
  const Case cases[] = {
      {4, 2, 11, "O03I12\r\n"},  {4, 9, 4, "O10I05\r\n"}, {4, 15, 63, "O16I64\r\n"},
      {4, 15, kRouteAuto, "O16I70\r\n"}, {0, 0, kRouteAuto, "O01I70\r\n"},
      {0, 0, 27, "O01I28\r\n"},  {0, 0, 28, "O01I70\r\n"},
      {4, 0, 28, "O01I29\r\n"},  // a number, not Auto, once the model has the input
      {0, 0, 64, "O01I70\r\n"},  // left from a larger model
      {0, 1, 99, "O02I70\r\n"},  // from a hand-edited file
      {0, 2, -5, "O03I70\r\n"},
      {0, 16, 1, ""}, {0, -1, 1, ""},  // outputs outside the store build nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(output_route_command(c.output, c.route, c.model), c.line);
  }
  SettingsStore doc_;
  reset_to_defaults(doc_);
  doc_.output_routes[15] = kRouteAuto;
  EXPECT_EQ(stored_output_route_command(doc_, 0), "O01I01\r\n");  // default: output o shows input o
  EXPECT_EQ(stored_output_route_command(doc_, 15), "O16I70\r\n");
  EXPECT_EQ(stored_output_route_command(doc_, 16), "");
  EXPECT_FALSE(route_is_input(28, doc_.model_index));
  EXPECT_TRUE(route_is_input(27, doc_.model_index));
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
