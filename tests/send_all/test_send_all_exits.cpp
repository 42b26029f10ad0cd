// Every way out of `klvc send-all` says how far it got, each cause once; and
// a profile or log that is not what it should be never hangs the program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "link/link.h"
#include "support/files.h"

namespace klvc {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::klvc_env;
using testing::launch;
using testing::read_file;
using testing::logged_as_sent;
using testing::TempDir;

TEST(SendAllExits, ASignalEndsTheRunWith128PlusItAndSaysHowFarItGot) {
  const std::pair<int, const char*> signals[] = {{SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};
  for (const auto& [sig, name] : signals) {
    SCOPED_TRACE(name);
    TempDir dir;
    ChildProcess klvc;
    const std::string log = dir.file("traffic.log");
    ASSERT_TRUE(launch(klvc, {KLVC_BINARY, "send-all", "--simulate", "--model", "A", "--log", log},
                       klvc_env(dir.path())));
    ASSERT_TRUE(klvc.wait_for_err("send-all: step 9/368")) << klvc.err();
    klvc.signal(sig);
    EXPECT_EQ(klvc.wait_exit(), 128 + sig) << klvc.err();
    const std::string verdict = klvc.last_err_line();
    EXPECT_EQ(verdict.rfind(std::string("klvc send-all: interrupted by ") + name + " at step ", 0), 0u) << verdict;
    // How far it got agrees with what the log says was sent.
    const std::vector<std::string> sent = logged_as_sent(log);
    ASSERT_FALSE(sent.empty());
    EXPECT_NE(verdict.find(" after " + std::to_string(sent.size()) + " lines; last line sent: " + sent.back()),
              std::string::npos)
        << verdict;
  }
}

TEST(SendAllExits, AClosedOutputEndsTheRunWith141AndTheLogSaysHowFarItGot) {
  TempDir dir;
  ChildProcess klvc;
  const std::string log = dir.file("traffic.log");
  ASSERT_TRUE(launch(klvc, {KLVC_BINARY, "send-all", "--simulate", "--model", "A", "--log", log},
                     klvc_env(dir.path())));
  ASSERT_TRUE(klvc.wait_for_err("send-all: step 9/368")) << klvc.err();
  klvc.close_err();  // the next progress line (step 73) cannot be written
  EXPECT_EQ(klvc.wait_exit(), 141);
  const std::vector<std::string> sent = logged_as_sent(log);
  ASSERT_EQ(sent.size(), 25u);
  EXPECT_EQ(sent.back(), "AMO0101OF");
  EXPECT_NE(read_file(log).find("-- klvc send-all: output closed at step 73 of 368 after 25 lines; last "
                                "line sent: AMO0101OF"),
            std::string::npos)
      << read_file(log);

  // The dry run's output is stdout.
  ChildProcess dry;
  ASSERT_TRUE(launch(dry, {KLVC_BINARY, "send-all", "--dry-run"}, klvc_env(dir.path())));
  dry.close_out();
  EXPECT_EQ(dry.wait_exit(), 141);
  EXPECT_EQ(dry.last_err_line().rfind("klvc send-all: output closed after ", 0), 0u) << dry.err();
}

TEST(SendAllExits, APortThatCannotBeOpenedIsOneLineWithItsReason) {
  TempDir dir;
  ChildProcess klvc;
  const std::string port = dir.file("no-such-tty");
  ASSERT_TRUE(launch(klvc, {KLVC_BINARY, "send-all", "--port", port, "--model", "A"}, klvc_env(dir.path())));
  EXPECT_EQ(klvc.wait_exit(), 1);
  EXPECT_EQ(klvc.err(), "klvc send-all: cannot open " + port +
                            ": No such file or directory — check that the device is plugged in, or choose "
                            "another port ('klvc ports' lists the serial devices); nothing was sent\n");
  // Without a profile COM1 is /dev/ttyS0; where that is the kernel console, it is refused.
  if (!is_kernel_console("/dev/ttyS0")) return;
  ChildProcess by_default;
  ASSERT_TRUE(launch(by_default, {KLVC_BINARY, "send-all", "--model", "A"}, klvc_env(dir.path())));
  EXPECT_EQ(by_default.wait_exit(), 1);
  EXPECT_NE(by_default.err().find("/dev/ttyS0 is the kernel console; klvc writes to it only when it is named with "
                                  "--port"),
            std::string::npos)
      << by_default.err();
}

// A profile that is a named pipe, a folder or a device is ignored with one
// note; nothing waits on it.
TEST(SendAllExits, AProfileThatIsNotAFileIsIgnoredWithOneNote) {
  struct Case {
    const char* what;
    std::function<void(const std::string&)> make;
  };
  const Case cases[] = {
      {"a named pipe", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
      {"a folder", [](const std::string& p) { ASSERT_EQ(mkdir(p.c_str(), 0700), 0); }},
      {"a device", [](const std::string& p) { ASSERT_EQ(symlink("/dev/null", p.c_str()), 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    fs::create_directories(dir.file("klvc"));
    const std::string profile = dir.file("klvc/klvc.ini");
    c.make(profile);
    const std::string note = "klvc: profile: profile " + profile + " ignored: it is " + c.what +
                             ", not a file; using the defaults\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{KLVC_BINARY, "send-all", "--dry-run"}, {KLVC_BINARY, "ports"}}) {
      ChildProcess klvc;
      ASSERT_TRUE(launch(klvc, args, klvc_env(dir.path())));
      EXPECT_EQ(klvc.wait_exit(10000), 0) << args[1];
      EXPECT_EQ(klvc.err(), note) << args[1];
    }
  }
}

TEST(SendAllExits, UsageErrorsAndALogThatCannotBeOpenedAreExitTwo) {
  TempDir dir;
  const std::string fifo = dir.file("unread.fifo");  // nothing reads it: no wait for a reader
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"--log", dir.file("no/such/folder/x.log"), "ports"}, 2,
       "klvc: cannot open the log file " + dir.file("no/such/folder/x.log") + ": No such file or directory\n"},
      {{"--log", fifo, "ports"}, 2,
       "klvc: cannot open the log file " + fifo + ": it is a FIFO that no process reads; start its reader first\n"},
      {{"send-all", "--port", "tcp:host"}, 2,
       "klvc send-all: --port tcp:host: write it as tcp:HOST:PORT, with PORT 1 to 65535\nRun 'klvc send-all --help'.\n"},
      {{"ports", "extra"}, 2, "klvc ports: unexpected 'extra'\nRun 'klvc ports --help'.\n"},
      {{"send-all", "--model", "F"}, 2,
       "klvc send-all: unknown model 'F' (use A, B, C, D or E)\nRun 'klvc send-all --help'.\n"},
      {{"simulate", "--slave", "3"}, 2, "klvc simulate: --slave needs --rs485\nRun 'klvc simulate --help'.\n"},
      {{"ports", "--help"}, 0, ""},
      {{"--simulate", "--help"}, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    std::vector<std::string> argv = {KLVC_BINARY};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    ChildProcess klvc;
    ASSERT_TRUE(launch(klvc, argv, klvc_env(dir.path())));
    EXPECT_EQ(klvc.wait_exit(10000), c.status);
    EXPECT_EQ(klvc.err(), c.err);
  }
}

}  // namespace
}  // namespace klvc
