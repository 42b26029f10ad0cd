// The link against the simulated switcher on a real pseudo-terminal: the
// same open, termios, poll and read path as a serial device.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "link_test_support.h"
#include "sim/simulator.h"

namespace klvc {
namespace {

using testing::eventually;

class PtyLink : public testing::LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    std::string error;
    ASSERT_TRUE(port.start(&error)) << error;
  }
  void TearDown() override {
    LinkTest::TearDown();
    port.stop();
  }
  void connect(const std::string& device) {
    set_simulated_device(device);
    open_port();
    start_reader();
    ASSERT_TRUE(link_is_open()) << (sink.texts().empty() ? "" : sink.texts()[0]);
  }
  void connect() { connect(port.slave_path()); }

  SimulatedPort port;
};

TEST_F(PtyLink, OpensSendsGetsTheAnswerAndStopsQuickly) {
  connect();
  EXPECT_EQ(link_device(), port.slave_path());
  send_command("ADT05\r\n");
  ASSERT_TRUE(sink.wait_for(1));
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Success"});
  EXPECT_EQ(port.lines(), std::vector<std::string>{"ADT05"});
  EXPECT_EQ(port.state().alarm_hold_time, 4);
  EXPECT_EQ(store().response_pending, 0);

  auto t0 = std::chrono::steady_clock::now();
  stop_link();
  auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_FALSE(link_is_open());
  // Well under 100 ms in practice; the bound only catches a reader that
  // does not wake up.
  EXPECT_LT(took, std::chrono::seconds(2));
}

TEST_F(PtyLink, EveryAnswerKindGivesItsBox) {
  const char* answers[] = {"GN", "MENU", "E0", "E1", "E2", "E3", "GO"};
  port.with_simulator([&](Simulator& sim) {
    for (int i = 0; i < 7; ++i) sim.fail_command(i + 1, std::string(answers[i]) + "\r\n");
  });
  connect();
  for (int i = 0; i < 7; ++i) {
    store().error_seen = 0;
    send_command("BZON\r\n");
    ASSERT_TRUE(sink.wait_for(i + 1)) << answers[i];
    EXPECT_EQ(store().error_seen, i < 6 ? 1 : 0) << answers[i];
  }
  EXPECT_EQ(sink.texts(), (std::vector<std::string>{"Mode Error", "Menu Display", "Framing Error",
                                                    "Parity Error", "Over Run Error",
                                                    "Command Error", "Success"}));
}

TEST_F(PtyLink, Rs485PrefixGoesOutAndComesOffTheAnswer) {
  store().interface_mode = 1;
  store().slave_number = 7;
  port.with_simulator([](Simulator& sim) { sim.set_rs485(true, 7); });
  connect();
  send_command("MNON\r\n");
  ASSERT_TRUE(sink.wait_for(1));
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Success"});
  EXPECT_EQ(port.lines(), std::vector<std::string>{"07MNON"});
  EXPECT_EQ(port.state().memory_number_display, 1);
}

TEST_F(PtyLink, ASilentSwitcherGivesNoConnectOnTheSeventhTick) {
  port.with_simulator([](Simulator& sim) { sim.set_silent(true); });
  connect();
  send_command("TSA\r\n");
  ASSERT_TRUE(port.wait_for_lines(1, 5000));
  ticks(6);
  EXPECT_EQ(sink.count(), 0u);
  ticks(1);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"No Connect"});
  EXPECT_EQ(store().error_seen, 1);
}

TEST_F(PtyLink, AnAnswerInPiecesIsOneAnswer) {
  connect();
  port.send_raw("G");
  ASSERT_TRUE(eventually([] { return store().line_length == 1; }));
  port.send_raw("O\r");
  ASSERT_TRUE(eventually([] { return store().line_length == 3; }));
  port.send_raw("\n");
  ASSERT_TRUE(sink.wait_for(1));
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Success"});
}

TEST_F(PtyLink, TenThousandRandomBytesLeaveTheLinkWorking) {
  connect();
  std::mt19937 rng(10000);
  std::string junk(10000, '\0');
  for (char& c : junk) c = static_cast<char>(rng() & 0xFF);
  // Junk may hold XOFF, which rightly holds our output; XON releases it.
  port.send_raw(junk + "\x11\r\n");
  ASSERT_TRUE(sink.wait_for(1));
  EXPECT_EQ(store().error_seen, 1);
  std::size_t junk_boxes = sink.count();
  EXPECT_EQ(junk_boxes, 1u) << "one box for the junk, not one per line";

  store().error_seen = 0;
  send_command("ARON\r\n");
  ASSERT_TRUE(sink.wait_for_text("Success"));
  EXPECT_EQ(port.state().alarm_return, 1);
}

TEST_F(PtyLink, ThousandByteLinesAreOneUnknownAnswerEach) {
  connect();
  send_command("BZON\r\n");
  ASSERT_TRUE(sink.wait_for(1));
  port.send_raw(std::string(1000, 'X') + "\r\n");
  ASSERT_TRUE(sink.wait_for(2));
  EXPECT_NE(sink.texts()[1].find("(1002 bytes)"), std::string::npos) << sink.texts()[1];
  send_command("BZOF\r\n");
  ASSERT_TRUE(sink.wait_for(3));
  EXPECT_EQ(sink.texts()[2], "Success");
}

TEST_F(PtyLink, AHangUpIsReportedOnceAndTheLinkReconnects) {
  char dir_template[] = "/tmp/klvc-link-XXXXXX";
  ASSERT_NE(mkdtemp(dir_template), nullptr);
  std::string link_path = std::string(dir_template) + "/switcher";
  std::string error;
  ASSERT_TRUE(port.set_link_path(link_path, &error)) << error;
  set_reconnect_interval_ms(10);
  connect(link_path);
  send_command("AICB\r\n");
  ASSERT_TRUE(sink.wait_for(1));

  port.hang_up();
  ASSERT_TRUE(sink.wait_for_text("The link to the switcher was lost"));
  EXPECT_NE(sink.texts().back().find("Waiting for the device"), std::string::npos);
  EXPECT_TRUE(eventually([] { return link_state() == LinkState::WaitingForDevice; }));
  std::size_t boxes = sink.count();
  send_command("AICM\r\n");  // into the void: nothing crashes, "No Connect" later
  ticks(7);
  EXPECT_EQ(sink.count(), boxes + 1);

  ASSERT_TRUE(port.resume(&error)) << error;
  ASSERT_TRUE(sink.wait_for_text("is back"));
  EXPECT_TRUE(link_is_open());
  int lost = 0;
  for (const auto& t : sink.texts()) lost += t.find("was lost") != std::string::npos;
  EXPECT_EQ(lost, 1) << "reported once";

  boxes = sink.count();
  send_command("AICM\r\n");
  ASSERT_TRUE(sink.wait_for(boxes + 1));
  EXPECT_EQ(sink.texts().back(), "Success");
  EXPECT_EQ(port.state().alarm_polarity, 0);
  stop_link();
  port.set_link_path("", &error);
  rmdir(dir_template);
}

// --- set-up failures: each its own box, and the program runs on ---

class OpenFailure : public testing::LinkTest {
 protected:
  // Opens COM1 mapped to `device` the way start-up does, then checks the
  // program runs on without a link.
  std::vector<std::string> open_com1(const std::string& device) {
    set_port_device(0, device);
    store().com_port_index = 0;
    open_port();
    start_reader();
    std::vector<std::string> texts = sink.texts();
    EXPECT_FALSE(link_is_open());
    sink.clear();
    send_command("ADT10\r\n");
    ticks(7);
    EXPECT_EQ(sink.texts(), std::vector<std::string>{"No Connect"});
    return texts;
  }
};

const std::vector<std::string> kMissTitles = {"Miss! File Open", "Miss! Mask Set", "Miss! Buffer Set",
                                              "Miss! Time Out Set", "Miss! Set Comm State"};

void expect_five_boxes(const std::vector<std::string>& texts, const std::string& first_reason) {
  ASSERT_EQ(texts.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(texts[i].substr(0, texts[i].find('\n')), kMissTitles[i]);
  }
  EXPECT_NE(texts[0].find(first_reason), std::string::npos) << texts[0];
}

TEST_F(OpenFailure, AMissingDeviceGivesFiveBoxes) {
  auto texts = open_com1("/dev/klvc-no-such-tty");
  expect_five_boxes(texts, "cannot open /dev/klvc-no-such-tty: No such file or directory");
}

TEST_F(OpenFailure, ARegularFileIsNotASerialDevice) {
  char path[] = "/tmp/klvc-file-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  auto texts = open_com1(path);
  unlink(path);
  expect_five_boxes(texts, std::string(path) + " is not a serial device");
}

TEST_F(OpenFailure, APortTakenByAnotherProgramIsInUse) {
  SimulatedPort port;
  std::string error;
  ASSERT_TRUE(port.start(&error)) << error;
  int holder = open(port.slave_path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  set_simulated_device(port.slave_path());
  open_port();
  start_reader();
  close(holder);
  expect_five_boxes(sink.texts(), port.slave_path() + " is in use by another process");
  EXPECT_FALSE(link_is_open());
}

// Opening a device the user may not open. Root may open anything, so as
// root the check runs in a child process that has given up root.
TEST_F(OpenFailure, PermissionDeniedNamesTheGroupToJoin) {
  char path[] = "/tmp/klvc-denied-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  ASSERT_EQ(chmod(path, 0), 0);
  auto check = [&]() -> bool {
    set_port_device(0, path);
    store().com_port_index = 0;
    open_port();
    std::vector<std::string> texts = sink.texts();
    return texts.size() == 5 && texts[0].find("Permission denied") != std::string::npos &&
           texts[0].find("dialout") != std::string::npos && !link_is_open();
  };
  if (geteuid() != 0) {
    EXPECT_TRUE(check()) << (sink.texts().empty() ? "" : sink.texts()[0]);
  } else {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      bool ok = setgid(65534) == 0 && setuid(65534) == 0 && check();
      _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  unlink(path);
}

TEST(PortMap, ComPortsMapToTtySByDefaultAndFollowTheProfile) {
  EXPECT_EQ(port_device(0), "/dev/ttyS0");
  EXPECT_EQ(port_device(5), "/dev/ttyS5");
  EXPECT_EQ(port_device(6), "");
  EXPECT_EQ(port_device(-1), "");
  set_port_device(2, "/dev/serial/by-id/usb-adapter-port0");
  EXPECT_EQ(port_device(2), "/dev/serial/by-id/usb-adapter-port0");
  set_port_device(2, "/dev/ttyS2");
}

}  // namespace
}  // namespace klvc
