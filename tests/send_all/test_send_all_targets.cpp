// `klvc send-all --targets`: switchers on their own ports side by side, two
// units of one RS-485 bus one after another, and one that fails while the
// others succeed. The simulated switchers run in this process, so what
// each ends up holding can be looked at.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/files.h"
#include "settings/disk.h"
#include "settings/settings_file.h"
#include "settings/store.h"
#include "sim/simulator.h"

namespace klvc {
namespace {

using testing::ChildProcess;
using testing::klvc_env;
using testing::launch;
using testing::TempDir;

// A settings file whose alarm hold time and first route tell it apart.
void write_unit_file(const std::string& path, int hold_time, int route) {
  SwitcherSettings s;
  reset_to_defaults(s);
  s.alarm_hold_time = hold_time;
  s.output_routes[0] = route;
  std::string error;
  ASSERT_TRUE(write_settings_file(system_disk(), s, 0, path, &error)) << error;
}

std::string row_of(const std::string& report, const std::string& name) {
  std::istringstream in(report);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(name + " ", 0) == 0 && line.find(" s ") != std::string::npos) return line;
  }
  return {};
}

TEST(SendAllTargets, RunSideBySideOneAfterAnotherOnABusAndOneFailureLeavesTheOthers) {
  TempDir dir;
  SimulatedPort hall_a(0, SimPace::Instant), hall_b(0, SimPace::Instant), bus(0, SimPace::Instant),
      broken(0, SimPace::Instant);
  bus.simulator().set_rs485(true, 1);
  bus.add_unit(2);
  broken.simulator().fail_command(3, "E3\r\n");
  // Side by side: hall-a holds its first answer until hall-b's first line has come.
  std::atomic<bool> asked{false}, overlapped{false};
  hall_a.set_observer([&](const SimTrace&) {
    if (!asked.exchange(true)) overlapped = hall_b.wait_for_lines(1, 3000);
  });
  const std::pair<SimulatedPort*, const char*> ports[] = {{&hall_a, "a"}, {&hall_b, "b"}, {&bus, "bus"}, {&broken, "x"}};
  std::string error;
  for (const auto& [port, name] : ports) {
    ASSERT_TRUE(port->set_link_path(dir.file(name), &error) && port->start(&error)) << error;
  }
  struct Unit {
    const char* section;
    const char* port;
    const char* bus_slave;
    int hold_time;
    int route;
  };
  const Unit units[] = {{"hall-a", "a", nullptr, 11, 3}, {"hall-b", "b", nullptr, 12, 4},
                        {"bus-1", "bus", "1", 13, 5},    {"bus-2", "bus", "2", 14, 6},
                        {"broken", "x", nullptr, 15, 7}};
  std::string fleet = "; two rooms, a bus of two, and one that answers E3\n";
  for (const Unit& u : units) {
    write_unit_file(dir.file(std::string(u.section) + ".dat"), u.hold_time, u.route);
    fleet += "[" + std::string(u.section) + "]\nport = " + dir.file(u.port) + "\nmodel = A\nfile = " + u.section +
             ".dat\npace = ack\n";
    if (u.bus_slave) fleet += "rs485 = yes\nslave = " + std::string(u.bus_slave) + "\n";
  }
  testing::write_file(dir.file("fleet.ini"), fleet);

  ChildProcess klvc;
  ASSERT_TRUE(launch(klvc, {KLVC_BINARY, "send-all", "--targets", dir.file("fleet.ini")}, klvc_env(dir.path())));
  EXPECT_EQ(klvc.wait_exit(60000), 1) << klvc.err();
  EXPECT_TRUE(overlapped) << "hall-b had no line while hall-a waited";

  const Simulator::State states[] = {hall_a.state(), hall_b.state(), bus.state(0), bus.state(1)};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(units[i].section);
    EXPECT_EQ(states[i].alarm_hold_time, units[i].hold_time);
    EXPECT_EQ(states[i].output_routes[0], units[i].route);
    const std::string row = row_of(klvc.err(), units[i].section);
    EXPECT_NE(row.find(" 420/420 "), std::string::npos) << klvc.err();
    ASSERT_GE(row.size(), 3u) << klvc.err();
    EXPECT_EQ(row.substr(row.size() - 3), " ok");
  }
  // The bus: every line to unit 1 before the first to unit 2.
  const std::vector<std::string> on_bus = bus.lines();
  ASSERT_EQ(on_bus.size(), 840u);
  for (std::size_t i = 0; i < on_bus.size(); ++i) EXPECT_EQ(on_bus[i].substr(0, 2), i < 420 ? "01" : "02") << i;
  EXPECT_EQ(broken.lines().size(), 3u);
  EXPECT_NE(row_of(klvc.err(), "broken").find("stopped by the switcher's answer E3 (Command Error) to line 3"),
            std::string::npos)
      << klvc.err();

  // Again with --changed after bus-2's hold time changed: each unit gets only
  // what differs from what it last received; the broken one, whose run
  // failed, all (its switcher fails only the third line it ever gets).
  write_unit_file(dir.file("bus-2.dat"), 24, 6);
  ChildProcess again;
  ASSERT_TRUE(launch(again, {KLVC_BINARY, "send-all", "--targets", dir.file("fleet.ini"), "--changed"},
                     klvc_env(dir.path())));
  EXPECT_EQ(again.wait_exit(60000), 0) << again.err();
  for (const char* name : {"hall-a", "hall-b", "bus-1"}) {
    EXPECT_NE(row_of(again.err(), name).find(" 0/0 "), std::string::npos) << name;
  }
  EXPECT_NE(row_of(again.err(), "bus-2").find(" 1/1 "), std::string::npos) << again.err();
  EXPECT_EQ(bus.lines().back().substr(0, 5), "02ADT");
  EXPECT_EQ(broken.lines().size(), 3u + 420u);

  // --only picks sections; a name the file lacks sends nothing.
  ChildProcess only;
  ASSERT_TRUE(launch(only, {KLVC_BINARY, "send-all", "--targets", dir.file("fleet.ini"), "--only", "bus-2", "--dry-run"},
                     klvc_env(dir.path())));
  EXPECT_EQ(only.wait_exit(60000), 0) << only.err();
  EXPECT_EQ(only.out().rfind("bus-2: ", 0), 0u) << only.out();
  EXPECT_EQ(only.out().find("hall-a"), std::string::npos) << only.out();
  ChildProcess none;
  ASSERT_TRUE(launch(none, {KLVC_BINARY, "send-all", "--targets", dir.file("fleet.ini"), "--only", "hall-c"},
                     klvc_env(dir.path())));
  EXPECT_EQ(none.wait_exit(60000), 2);
  EXPECT_NE(none.err().find("has no [hall-c]"), std::string::npos) << none.err();
}

// SIGINT to klvc alone (as from another terminal) reaches every switcher's
// process; each stops after its current line and is reported.
TEST(SendAllTargets, AnInterruptStopsEveryTargetAndReportsEach) {
  TempDir dir;
  SimulatedPort one(0, SimPace::Instant), two(0, SimPace::Instant);
  std::string error;
  for (SimulatedPort* port : {&one, &two}) {
    ASSERT_TRUE(port->set_link_path(dir.file(port == &one ? "one" : "two"), &error) && port->start(&error)) << error;
  }
  testing::write_file(dir.file("fleet.ini"), "[one]\nport = " + dir.file("one") + "\nmodel = A\n[two]\nport = " +
                                                 dir.file("two") + "\nmodel = A\n");
  ChildProcess klvc;
  ASSERT_TRUE(launch(klvc, {KLVC_BINARY, "send-all", "--targets", dir.file("fleet.ini")}, klvc_env(dir.path())));
  ASSERT_TRUE(klvc.wait_for([&] { return one.lines().size() > 2 && two.lines().size() > 2; }, 20000)) << klvc.err();
  klvc.signal(SIGINT);
  EXPECT_EQ(klvc.wait_exit(20000), 130) << klvc.err();
  for (const char* name : {"one", "two"}) {
    EXPECT_NE(row_of(klvc.err(), name).find("interrupted by Ctrl+C at step "), std::string::npos) << klvc.err();
  }
  EXPECT_LT(one.lines().size(), 420u);
}

// More ports than the open-file limit leaves room for: the children start a
// few at a time, every target is sent and the summary comes.
TEST(SendAllTargets, MoreTargetsThanTheOpenFileLimitAllowsAtOnce) {
  TempDir dir;
  std::vector<std::unique_ptr<SimulatedPort>> ports;
  std::string fleet, error;
  for (int i = 0; i < 26; ++i) {
    ports.push_back(std::make_unique<SimulatedPort>(0, SimPace::Instant));
    const std::string path = dir.file("p" + std::to_string(i));
    ASSERT_TRUE(ports.back()->set_link_path(path, &error) && ports.back()->start(&error)) << error;
    fleet += "[t" + std::to_string(i) + "]\nport = " + path + "\nmodel = A\n";
  }
  testing::write_file(dir.file("fleet.ini"), fleet);
  ChildProcess klvc;
  ASSERT_TRUE(launch(klvc, {"/bin/sh", "-c", "ulimit -n 24 && exec \"$0\" \"$@\"", KLVC_BINARY, "send-all", "--targets",
                            dir.file("fleet.ini")},
                     klvc_env(dir.path())));
  EXPECT_EQ(klvc.wait_exit(120000), 0) << klvc.err();
  for (int i = 0; i < 26; ++i) EXPECT_EQ(ports[i]->lines().size(), 420u) << i;
  EXPECT_NE(row_of(klvc.err(), "t25").find(" ok"), std::string::npos) << klvc.err();
}

}  // namespace
}  // namespace klvc
