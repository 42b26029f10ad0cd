// The link against the simulated switcher on a real pseudo-terminal: the
// same open, termios, poll and read path as a serial device.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "common/port_map.h"
#include "link/link_status.h"
#include "link/port_setup.h"
#include "link_test_support.h"
#include "sim/simulator.h"
#include "support/files.h"

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
    setup.device = device;
    link.open(setup);
    link.start_reader();
    ASSERT_TRUE(link.is_open()) << (sink.texts().empty() ? "" : sink.texts()[0]);
  }
  void connect() { connect(port.slave_path()); }

  SimulatedPort port;
  LinkSetup setup;
};

TEST_F(PtyLink, OpensSendsGetsTheAnswerAndStopsQuickly) {
  connect();
  EXPECT_EQ(link.device(), port.slave_path());
  link.send_command("ADT05\r\n");
  ASSERT_TRUE(sink.wait_for(1));
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Success"});
  EXPECT_EQ(port.lines(), std::vector<std::string>{"ADT05"});
  EXPECT_EQ(port.state().alarm_hold_time, 4);
  EXPECT_EQ(link.status().response_pending, 0);

  auto t0 = std::chrono::steady_clock::now();
  link.stop();
  auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_FALSE(link.is_open());
  // Well under 100 ms in practice; the bound only catches a reader that
  // does not wake up.
  EXPECT_LT(took, std::chrono::seconds(2));
}

TEST_F(PtyLink, Rs485PrefixGoesOutAndComesOffTheAnswer) {
  setup.interface_mode = 1;
  setup.slave_number = 7;
  port.with_simulator([](Simulator& sim) { sim.set_rs485(true, 7); });
  connect();
  link.send_command("MNON\r\n");
  ASSERT_TRUE(sink.wait_for(1));
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Success"});
  EXPECT_EQ(port.lines(), std::vector<std::string>{"07MNON"});
  EXPECT_EQ(port.state().memory_number_display, 1);
}

TEST_F(PtyLink, ASilentSwitcherGivesNoConnectOnTheSeventhTick) {
  port.with_simulator([](Simulator& sim) { sim.set_silent(true); });
  connect();
  link.send_command("TSA\r\n");
  ASSERT_TRUE(port.wait_for_lines(1, 5000));
  ticks(6);
  EXPECT_EQ(sink.count(), 0u);
  ticks(1);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"No Connect"});
  EXPECT_EQ(link.status().error_seen, 1);
}

TEST_F(PtyLink, AnAnswerInPiecesIsOneAnswer) {
  connect();
  port.send_raw("G");
  port.send_raw("O\r");
  port.send_raw("\n");
  ASSERT_TRUE(sink.wait_for(1));
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Success"});
}

TEST_F(PtyLink, TenThousandRandomBytesLeaveTheLinkWorking) {
  connect();
  std::mt19937 rng(10000);
  std::string junk(10000, '\0');
  for (char& c : junk) c = static_cast<char>(rng() & 0xFF);
  // Junk may hold XOFF, which rightly holds our output; XON releases it. A
  // known error answer last: once its box is there, all the junk was read.
  port.send_raw(junk + "\x11\r\nE3\r\n");
  ASSERT_TRUE(sink.wait_for_text("Command Error"));
  EXPECT_EQ(link.status().error_seen, 1);
  EXPECT_EQ(sink.count(), 2u) << "one box for the junk, not one per line, and one for E3";

  link.status().error_seen = 0;
  link.send_command("ARON\r\n");
  ASSERT_TRUE(sink.wait_for_text("Success"));
  EXPECT_EQ(port.state().alarm_return, 1);
}

TEST_F(PtyLink, ThousandByteLinesAreOneUnknownAnswerEach) {
  connect();
  link.send_command("BZON\r\n");
  ASSERT_TRUE(sink.wait_for(1));
  port.send_raw(std::string(1000, 'X') + "\r\n");
  ASSERT_TRUE(sink.wait_for(2));
  EXPECT_NE(sink.texts()[1].find("(1002 bytes)"), std::string::npos) << sink.texts()[1];
  link.send_command("BZOF\r\n");
  ASSERT_TRUE(sink.wait_for(3));
  EXPECT_EQ(sink.texts()[2], "Success");
}

TEST_F(PtyLink, AHangUpIsReportedOnceAndTheLinkReconnects) {
  testing::TempDir dir;
  const std::string link_path = dir.file("switcher");
  std::string error;
  ASSERT_TRUE(port.set_link_path(link_path, &error)) << error;
  link.set_reconnect_interval_ms(10);
  connect(link_path);
  link.send_command("AICB\r\n");
  ASSERT_TRUE(sink.wait_for(1));

  port.hang_up();
  ASSERT_TRUE(sink.wait_for_text("The link to the switcher was lost"));
  EXPECT_NE(sink.texts().back().find("Waiting for the device"), std::string::npos);
  EXPECT_TRUE(eventually([this] { return link.state() == LinkState::WaitingForDevice; }));
  std::size_t boxes = sink.count();
  link.send_command("AICM\r\n");  // into the void: nothing crashes, "No Connect" later
  ticks(7);
  EXPECT_EQ(sink.count(), boxes + 1);

  ASSERT_TRUE(port.resume(&error)) << error;
  ASSERT_TRUE(sink.wait_for_text("is back"));
  EXPECT_TRUE(link.is_open());
  int lost = 0;
  for (const auto& t : sink.texts()) lost += t.find("was lost") != std::string::npos;
  EXPECT_EQ(lost, 1) << "reported once";

  boxes = sink.count();
  link.send_command("AICM\r\n");
  ASSERT_TRUE(sink.wait_for(boxes + 1));
  EXPECT_EQ(sink.texts().back(), "Success");
  EXPECT_EQ(port.state().alarm_polarity, 0);
  link.stop();
  port.set_link_path("", &error);
}

// A watcher's own descriptor on the simulated switcher's device, opened
// before the link takes it for itself.
class Watcher {
 public:
  explicit Watcher(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
  ~Watcher() {
    if (fd_ >= 0) close(fd_);
  }
  int fd() const { return fd_; }
  bool exclusive() const {
    int on = 0;
    return ioctl(fd_, TIOCGEXCL, &on) == 0 && on != 0;
  }
  // The terminal does not take output (its flow is stopped by XOFF).
  bool output_held() const {
    pollfd p{fd_, POLLOUT, 0};
    return poll(&p, 1, 0) == 0;
  }

 private:
  int fd_;
};

TEST_F(PtyLink, TheDeviceIsHandedBackAsItWasFound) {
  for (bool setup_fails : {false, true}) {
    SCOPED_TRACE(setup_fails ? "after a set-up that failed once the device was open" : "after use");
    Watcher watcher(port.slave_path());
    ASSERT_GE(watcher.fd(), 0);
    // Settings of the watcher's own, far from the switcher's line settings.
    termios found{};
    ASSERT_EQ(tcgetattr(watcher.fd(), &found), 0);
    cfsetspeed(&found, B19200);
    found.c_iflag |= ICRNL;
    found.c_cflag &= ~CRTSCTS;
    ASSERT_EQ(tcsetattr(watcher.fd(), TCSANOW, &found), 0);
    ASSERT_EQ(tcgetattr(watcher.fd(), &found), 0);

    if (setup_fails) {
      // A driver that ignores the speed: it reads back 19200 baud after 9600 was set.
      auto ignores_speed = [](int fd, termios* t) {
        const int r = tcgetattr(fd, t);
        cfsetspeed(t, B19200);
        return r;
      };
      EXPECT_LT(set_up_port(port.slave_path(), nullptr, ignores_speed).fd, 0);
    } else {
      link.open(LinkSetup{port.slave_path()});
      EXPECT_TRUE(link.is_open());
      EXPECT_TRUE(watcher.exclusive());
      termios used{};
      ASSERT_EQ(tcgetattr(watcher.fd(), &used), 0);
      EXPECT_EQ(cfgetospeed(&used), static_cast<speed_t>(B9600));
      link.stop();
    }

    termios after{};
    ASSERT_EQ(tcgetattr(watcher.fd(), &after), 0);
    EXPECT_FALSE(watcher.exclusive());
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B19200));
    EXPECT_EQ(after.c_iflag, found.c_iflag);
    EXPECT_EQ(after.c_oflag, found.c_oflag);
    EXPECT_EQ(after.c_cflag, found.c_cflag);
    EXPECT_EQ(after.c_lflag, found.c_lflag);
    sink.clear();
  }
}

TEST_F(PtyLink, AWriteHeldByXoffIsNotSentAndSaysWhy) {
  Watcher watcher(port.slave_path());
  connect();
  port.send_raw("\x13");
  ASSERT_TRUE(eventually([&] { return watcher.output_held(); }));
  link.send_command("BZON\r\n");
  const SendOutcome held = link.last_send_outcome();
  EXPECT_FALSE(held.written);
  EXPECT_EQ(held.error, ETIMEDOUT);
  EXPECT_NE(held.failure.find("XOFF"), std::string::npos) << held.failure;
  ASSERT_TRUE(sink.wait_for(1));
  EXPECT_EQ(sink.boxes()[0].origin, BoxOrigin::WriteFailed);
  EXPECT_EQ(sink.texts()[0], held.failure);
  EXPECT_EQ(link.status().error_seen, 1) << "a batch stops";

  port.send_raw("\x11");
  ASSERT_TRUE(eventually([&] { return !watcher.output_held(); }));
  link.status().error_seen = 0;
  link.send_command("BZOF\r\n");
  ASSERT_TRUE(sink.wait_for_text("Success"));
  EXPECT_EQ(port.lines(), std::vector<std::string>{"BZOF"}) << "the held line never went out";
}

// --- set-up failures: each its own box, and the program runs on ---

class OpenFailure : public testing::LinkTest {
 protected:
  // Opens COM1 mapped to `device` the way start-up does, then checks the
  // program runs on without a link.
  std::vector<BoxRequest> open_com1(const std::string& device) {
    link.open(LinkSetup{device, 0});
    link.start_reader();
    std::vector<BoxRequest> texts = sink.boxes();
    EXPECT_FALSE(link.is_open());
    sink.clear();
    link.send_command("ADT10\r\n");
    ticks(7);
    EXPECT_EQ(sink.texts(), std::vector<std::string>{"No Connect"});
    return texts;
  }
};

const std::vector<std::string> kMissTitles = {"Miss! File Open", "Miss! Mask Set", "Miss! Buffer Set",
                                              "Miss! Time Out Set", "Miss! Set Comm State"};

// Five boxes in order; the first names the cause, the others follow from it.
void expect_five_boxes(const std::vector<BoxRequest>& boxes, const std::string& first_reason) {
  ASSERT_EQ(boxes.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(boxes[i].text.substr(0, boxes[i].text.find('\n')), kMissTitles[i]);
    EXPECT_EQ(boxes[i].origin, i == 0 ? BoxOrigin::PortSetup : BoxOrigin::PortSetupFollow);
  }
  EXPECT_NE(boxes[0].text.find(first_reason), std::string::npos) << boxes[0].text;
}

TEST_F(OpenFailure, AMissingDeviceOrARegularFileGivesFiveBoxes) {
  testing::TempDir dir;
  const std::string plain = dir.file("plain");
  testing::write_file(plain, "");
  const std::pair<std::string, std::string> cases[] = {
      {"/dev/klvc-no-such-tty", "cannot open /dev/klvc-no-such-tty: No such file or directory"},
      {plain, plain + " is not a serial device"},
  };
  for (const auto& [device, reason] : cases) {
    SCOPED_TRACE(device);
    expect_five_boxes(open_com1(device), reason);
    TearDown();
    sink.clear();
    SetUp();
  }
}

TEST_F(OpenFailure, APortTakenByAnotherProgramIsInUse) {
  SimulatedPort port;
  std::string error;
  ASSERT_TRUE(port.start(&error)) << error;
  int holder = open(port.slave_path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  link.open(LinkSetup{port.slave_path()});
  link.start_reader();
  close(holder);
  expect_five_boxes(sink.boxes(), port.slave_path() + " is in use by another process");
  EXPECT_FALSE(link.is_open());
}

// Opening a device the user may not open: the group hint only where joining
// the group helps, else who owns it. Root may open anything, so the check
// runs in a child process that has given up root.
TEST_F(OpenFailure, PermissionDeniedSaysWhatWouldHelp) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give the device to another owner";
  const group* dialout = getgrnam("dialout");
  const gid_t dialout_gid = dialout ? dialout->gr_gid : 20;
  const std::string dialout_name = dialout ? "dialout" : "20";
  struct Case {
    gid_t group;
    mode_t mode;
    std::string hint;
  };
  const Case cases[] = {
      {dialout_gid, 0660, "add yourself to the group that owns the device (" + dialout_name + ")"},
      {0, 0600, "it belongs to user root, group root, mode 0600"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hint);
    char path[] = "/tmp/klvc-denied-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_EQ(chown(path, 0, c.group), 0);
    ASSERT_EQ(chmod(path, c.mode), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
      link.open(LinkSetup{path, 0});
      const std::vector<std::string> texts = sink.texts();
      const bool ok = texts.size() == 5 && texts[0].find("Permission denied") != std::string::npos &&
                      texts[0].find(c.hint) != std::string::npos && !link.is_open();
      if (!ok && !texts.empty()) fprintf(stderr, "%s\n", texts[0].c_str());
      _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    unlink(path);
  }
}

TEST(PortMap, ComPortsMapToTtySByDefaultAndFollowTheProfile) {
  PortMap ports;
  EXPECT_EQ(ports.device(0), "/dev/ttyS0");
  EXPECT_EQ(ports.device(5), "/dev/ttyS5");
  EXPECT_EQ(ports.device(6), "");
  EXPECT_EQ(ports.device(-1), "");
  ports.set(2, "/dev/serial/by-id/usb-adapter-port0");
  EXPECT_EQ(ports.device(2), "/dev/serial/by-id/usb-adapter-port0");
}

}  // namespace
}  // namespace klvc
