// The targets file of `klvc send-all --targets`: what it takes, and each
// mistake named with its line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "send_all/fleet.h"
#include "settings/store.h"
#include "support/files.h"

namespace klvc {
namespace {

class FleetFile : public ::testing::Test {
 protected:
  void SetUp() override { testing::write_file(dir.file("a.dat"), ""); }
  std::vector<std::string> errors_of(const std::string& text) {
    testing::write_file(dir.file("fleet.ini"), text);
    std::vector<FleetTarget> targets;
    std::vector<std::string> errors;
    const bool read = read_fleet_file(dir.file("fleet.ini"), &targets, &errors);
    EXPECT_EQ(read, errors.empty());
    return errors;
  }
  testing::TempDir dir;
};

TEST_F(FleetFile, ReadsEachSwitcherAndGroupsThoseSharingABus) {
  testing::write_file(dir.file("fleet.ini"),
                      "; the building\n"
                      "[hall-a]\nport = /dev/ttyUSB0   ; the USB adapter\nmodel = A\nfile = a.dat\n"
                      "[lobby]\ncom = 2\nmodel = KLV-E\npace = ack\n"
                      "[bus-1]\nport = tcp:10.0.0.9:4001\nmodel = c\nrs485 = yes\nslave = 3\n"
                      "[bus-2]\nport = tcp:10.0.0.9:4001\nmodel = D\nrs485 = yes\nslave = 4\n");
  std::vector<FleetTarget> t;
  std::vector<std::string> errors;
  ASSERT_TRUE(read_fleet_file(dir.file("fleet.ini"), &t, &errors)) << errors[0];
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0].device, "/dev/ttyUSB0");
  EXPECT_EQ(t[0].target.file, dir.file("a.dat"));  // beside the targets file
  EXPECT_EQ(t[1].device, "/dev/ttyS1");            // COM2 as the store maps it
  EXPECT_EQ(t[1].target.model, 4);
  EXPECT_EQ(t[1].target.pace, PaceMode::Ack);
  EXPECT_TRUE(t[1].target.file.empty());
  EXPECT_EQ(t[2].target.interface_mode, 1);
  EXPECT_EQ(t[3].target.slave, 4);
  EXPECT_EQ(fleet_groups(t), (std::vector<std::vector<std::size_t>>{{0}, {1}, {2, 3}}));
}

TEST_F(FleetFile, NamesEachMistakeWithItsLine) {
  const std::string f = dir.file("fleet.ini");
  const std::pair<std::string, std::string> cases[] = {
      {"model = A\n", f + ":1: 'model' comes before any section; each switcher starts with [NAME]"},
      {"[x]\nport = /dev/x\nmodel = A\nprot = 3\n", f + ":4: unknown key 'prot' (port, com, model, file, rs485, slave, pace)"},
      {"[x]\nport = /dev/x\n", f + ":1: [x] needs model = A..E"},
      {"[x]\nmodel = A\n", f + ":1: [x] needs port = DEVICE or com = 1..6"},
      {"[x]\ncom = 7\nmodel = A\n", f + ":2: com takes 1 to 6, not '7'"},
      {"[x]\nport = tcp:host\nmodel = A\n", f + ":2: tcp:host: write it as tcp:HOST:PORT, with PORT 1 to 65535"},
      {"[x]\nport = /dev/x\nmodel = A\nfile = gone.dat\n", f + ":4: " + dir.file("gone.dat") + ": No such file or directory"},
      {"[x]\nport = /dev/x\nmodel = A\nslave = 2\n", f + ":4: slave needs rs485 = yes in [x]"},
      {"[x]\nport = /dev/x\nmodel = A\n[y]\nport = /dev/x\nmodel = B\n",
       f + ":4: [y] and [x] (line 1) share /dev/x; only RS-485 units share a port (rs485 = yes, each its own slave)"},
      {"[x]\nport = /dev/x\nmodel = A\nrs485 = yes\nslave = 5\n[y]\nport = /dev/x\nmodel = A\nrs485 = on\nslave = 5\n",
       f + ":6: [y] and [x] (line 1) are both slave 5 on /dev/x"},
      {"[x]\nport = /dev/x\nmodel = A\n[x]\nport = /dev/y\nmodel = A\n", f + ":4: [x] is given twice (line 1)"},
      {"; nothing\n", f + ": no switchers in it; each starts with [NAME]"},
      {"[x]\nport = /dev/x\nmodel = A\npace = \x1B[8mack\n",
       f + ":4: 'pace = \\x1B[8mack' holds a control character or a byte that is not UTF-8"},
      {"[a\tb]\nport = /dev/x\nmodel = A\n", f + ":1: a section name cannot hold control characters (a tab, for one)"},
  };
  for (const auto& [text, error] : cases) EXPECT_EQ(errors_of(text), std::vector<std::string>{error}) << text;
}

}  // namespace
}  // namespace klvc
