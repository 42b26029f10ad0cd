#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/log_file.h"
#include "cli/ports_command.h"
#include "link/link.h"
#include "link/link_log.h"
#include "link/messages.h"
#include "settings/store.h"
#include "sim/simulator.h"
#include "support/direct_attachment.h"
#include "support/files.h"

namespace klvc {
namespace {

// A scratch folder standing in for /dev or /sys.
class TempDir : public testing::TempDir {
 public:
  void touch(const std::string& name) const { std::ofstream(file(name)).put('\n'); }
};

TEST(Ports, ListsByIdNamesWithTargetsThenTtysInNaturalOrder) {
  TempDir dev, sys;
  for (const char* n : {"ttyS10", "ttyS2", "ttyUSB0", "ttyACM1", "tty0", "console"}) dev.touch(n);
  mkdir((dev.path() + "/serial").c_str(), 0755);
  mkdir((dev.path() + "/serial/by-id").c_str(), 0755);
  ASSERT_EQ(symlink("../../ttyUSB0", (dev.path() + "/serial/by-id/usb-Adapter_A1-if00-port0").c_str()), 0);
  ASSERT_EQ(symlink("../../gone", (dev.path() + "/serial/by-id/usb-Old-port0").c_str()), 0);
  mkdir((sys.path() + "/ttyS10").c_str(), 0755);
  std::ofstream(sys.path() + "/ttyS10/type") << "0\n";
  mkdir((sys.path() + "/ttyS2").c_str(), 0755);
  std::ofstream(sys.path() + "/ttyS2/type") << "4\n";
  mkdir((sys.path() + "/console").c_str(), 0755);
  std::ofstream(sys.path() + "/console/active") << "tty0 ttyS2\n";

  std::vector<SerialDevice> devices = list_serial_devices(dev.path(), sys.path());
  std::vector<std::string> paths;
  for (const auto& d : devices) paths.push_back(d.path.substr(dev.path().size()));
  EXPECT_EQ(paths, (std::vector<std::string>{"/serial/by-id/usb-Adapter_A1-if00-port0",
                                              "/serial/by-id/usb-Old-port0", "/ttyACM1", "/ttyS2",
                                              "/ttyS10", "/ttyUSB0"}));
  EXPECT_EQ(devices[0].target, dev.path() + "/ttyUSB0");
  EXPECT_EQ(devices[1].note, "points nowhere");
  EXPECT_EQ(devices[3].note, "the kernel console");
  EXPECT_EQ(devices[4].note, "no UART behind it");

  PortMap ports;
  ports.set(1, dev.path() + "/serial/by-id/usb-Adapter_A1-if00-port0");
  ports.set(2, dev.path() + "/ttyS2");
  std::string report = ports_report(devices, console_ttys(sys.path()), ports);
  EXPECT_NE(report.find("COM3 = " + dev.path() + "/ttyS2  (the kernel console)\n  COM4"), std::string::npos)
      << report;
  // COM1's own default pointing at the console is said so.
  const std::string default_report = ports_report({}, {"ttyS0"});
  EXPECT_NE(default_report.find("(the kernel console)\n    COM1's default is the kernel console: set "
                                "com1_device= in the profile to the switcher's port\n  COM2 = "),
            std::string::npos)
      << default_report;
  EXPECT_NE(report.find("usb-Adapter_A1-if00-port0 -> " + dev.path() + "/ttyUSB0\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("COM2 = " + dev.path() + "/serial/by-id/usb-Adapter_A1-if00-port0\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("COM6 = /dev/ttyS5"), std::string::npos);
}

TEST(LogOption, IsTakenFromAnyPlaceOfTheCommandLine) {
  TempDir dir;
  std::string file = dir.path() + "/traffic.log";
  std::vector<std::string> args = {"send-all", "--log", file, "x.dat"};
  LinkLogFile log;
  std::string error;
  EXPECT_EQ(take_log_option(&args, &log, &error), 0);
  EXPECT_EQ(args, (std::vector<std::string>{"send-all", "x.dat"}));
  EXPECT_TRUE(log.is_open());
  log.close();

  args = {"--log=" + file, "ports"};
  EXPECT_EQ(take_log_option(&args, &log, &error), 0);
  EXPECT_EQ(args, std::vector<std::string>{"ports"});
  log.close();

  args = {"ports", "--log"};
  EXPECT_EQ(take_log_option(&args, &log, &error), 2);
  EXPECT_EQ(error, "--log needs a file name");

  args = {"--log", dir.path() + "/no/such/folder/x.log"};
  EXPECT_EQ(take_log_option(&args, &log, &error), 1);
  EXPECT_NE(error.find(dir.path() + "/no/such/folder/x.log: No such file or directory"),
            std::string::npos)
      << error;
  EXPECT_FALSE(log.is_open());
}

class QuietSink : public MessageSink {
 public:
  void post_box(BoxRequest) override {}
  void show_box(BoxRequest, std::function<void(BoxResult)> on_close) override {
    if (on_close) on_close(BoxResult::Ok);
  }
};

class TrafficLog : public ::testing::Test {
 protected:
  void SetUp() override { set_message_sink(&sink); }
  void TearDown() override {
    log.close();
    set_message_sink(nullptr);
  }
  QuietSink sink;
  LinkLogFile log;
};

TEST_F(TrafficLog, RecordsEachLineSentAndReceivedWithTimeAndDirection) {
  TempDir dir;
  std::string file = dir.path() + "/traffic.log";
  std::string error;
  ASSERT_TRUE(log.open(file, &error)) << error;
  Link link;
  link.set_address(1, 3);
  Simulator sim;
  sim.set_rs485(true, 3);
  sim.fail_command(2, "E3\r\n");
  {
    testing::DirectAttachment attach(link, sim);
    link.send_command("BZON\r\n");
    link.send_command("BZOF\r\n");
  }
  log.close();

  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  // Each answer is logged as it came, then which line it answered.
  const std::vector<std::string> rest = {
      "-> 03BZON\\r\\n", "<- 03GO\\r\\n", "-- answer to line 1 (03BZON): 03GO",
      "-> 03BZOF\\r\\n", "<- 03E3\\r\\n", "-- answer to line 2 (03BZOF): 03E3"};
  ASSERT_EQ(lines.size(), rest.size());
  // A time stamp in front: each 9 a digit, the rest as written (std::regex warns under the sanitizers).
  const std::string stamp = "9999-99-99 99:99:99.999 ";
  auto stamped = [&](const std::string& l) {
    if (l.size() < stamp.size()) return false;
    for (std::size_t k = 0; k < stamp.size(); ++k) {
      if (stamp[k] == '9' ? !std::isdigit(static_cast<unsigned char>(l[k])) : l[k] != stamp[k]) return false;
    }
    return true;
  };
  for (std::size_t i = 0; i < rest.size(); ++i) {
    EXPECT_TRUE(stamped(lines[i])) << lines[i];
    EXPECT_EQ(lines[i].substr(24), rest[i]);
  }
}

TEST(EscapeBytes, ShowsControlBytesReadably) {
  EXPECT_EQ(escape_bytes(std::string("GO\r\n\t\"\\\x00\xFF", 9)), "GO\\r\\n\\t\\\"\\\\\\x00\\xFF");
  EXPECT_EQ(shown("カ\x1B]2;x\x07\r\xC2\x9B\xE2\x80\xAE\x81\\"), "カ\\x1B]2;x\\x07\\x0D\\xC2\\x9B\\xE2\\x80\\xAE\\x81\\");
}

}  // namespace
}  // namespace klvc
