// `klvc simulate` as a command: its terminal answers like a switcher, its
// trace says what it did, its --log logs like every other command, signals
// end it with 128 + the signal, and its --link never replaces anything.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/files.h"

namespace klvc {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::klvc_env;
using testing::launch;
using testing::TempDir;

// A client of the simulated switcher: raw, as a program would open it.
class Client {
 public:
  explicit Client(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
  }
  ~Client() {
    if (fd_ >= 0) close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  // Writes `line` and reads until `want` bytes came or 5 s passed.
  std::string exchange(const std::string& line, std::size_t want) {
    (void)write(fd_, line.data(), line.size());
    std::string got;
    while (got.size() < want) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 5000) <= 0) break;
      char buf[64];
      ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }

 private:
  int fd_;
};

struct Exchange {
  std::string line;    // sent
  std::string answer;  // expected back ("" for none)
  std::string trace;   // the trace line it gives
};

struct SimulateCase {
  const char* name;
  std::vector<std::string> args;
  std::vector<Exchange> exchanges;
  int signal;
};

const SimulateCase kCases[] = {
    {"answers", {"--model", "A"}, {{"BZON\r\n", "GO\r\n", "> BZON   < GO\\r\\n"}}, SIGTERM},
    {"refuses a line without CR",
     {},
     {{"BZON\n", "E3\r\n", "> BZON   < E3\\r\\n   [refused: LF without CR]"},
      // No profile: KLV-A, which has no output 9.
      {"O09I01\r\n", "E3\r\n", "> O09I01   < E3\\r\\n   [refused: not a command this model takes]"}},
     SIGINT},
    {"fails a chosen line",
     {"--fail", "2:MENU"},
     {{"BZON\r\n", "GO\r\n", "> BZON   < GO\\r\\n"},
      {"BZOF\r\n", "MENU\r\n", "> BZOF   < MENU\\r\\n   [answer set by a fault (--fail)]"}},
     SIGHUP},
    {"answers late", {"--delay", "200"}, {{"MNON\r\n", "GO\r\n", "> MNON   < GO\\r\\n"}}, SIGTERM},
    {"is silent", {"--silent"}, {{"MNON\r\n", "", "> MNON   (no answer)"}}, SIGTERM},
    {"has units on one bus",
     {"--rs485", "--slave", "3", "--slave", "5"},
     {{"05ARON\r\n", "05GO\r\n", "> 05ARON   < 05GO\\r\\n"},
      {"07ARON\r\n", "", "> 07ARON   (no answer)   [no unit on the bus has address 07]"},
      {"03ARON\r\n", "03GO\r\n", "> 03ARON   < 03GO\\r\\n"}},
     SIGTERM},
};

TEST(SimulateProgram, AnswersTracesAndEndsOnASignal) {
  for (const SimulateCase& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string log = dir.file("sim.log");
    std::vector<std::string> argv = {KLVC_BINARY, "simulate", "--log", log};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    ChildProcess sim;
    ASSERT_TRUE(launch(sim, argv, klvc_env(dir.path())));
    ASSERT_TRUE(sim.wait_for_err("Ctrl+C stops it.")) << sim.err();
    const std::string path = sim.out().substr(0, sim.out().find('\n'));
    Client client(path);
    ASSERT_TRUE(client.ok()) << path;
    std::string traced = path + "\n";
    for (const Exchange& e : c.exchanges) {
      SCOPED_TRACE(e.line);
      traced += e.trace + "\n";
      EXPECT_EQ(client.exchange(e.line, e.answer.size()), e.answer);
      ASSERT_TRUE(sim.wait_for([&] { return sim.out() == traced; }, 5000)) << sim.out();
    }
    sim.signal(c.signal);
    EXPECT_EQ(sim.wait_exit(), 128 + c.signal);
    // The log, like every command's: what came in, what went out.
    const std::string logged = testing::read_file(log);
    for (const Exchange& e : c.exchanges) {
      EXPECT_NE(logged.find(" <- " + e.trace.substr(2, e.trace.find("   ") - 2)), std::string::npos) << logged;
    }
    EXPECT_NE(logged.find(std::string(" -- stopped by SIG") + sigabbrev_np(c.signal)), std::string::npos) << logged;
  }
}

TEST(SimulateProgram, TakesTheProfilesModelUnlessGivenOne) {
  TempDir dir;
  fs::create_directories(dir.file("klvc"));
  testing::write_file(dir.file("klvc/klvc.ini"), "[KLV-C_Section]\nklv_model=2\n");
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{KLVC_BINARY, "simulate"}, "klvc simulate: a simulated KLV-C switcher"},
      {{KLVC_BINARY, "simulate", "--model", "klv-e"}, "klvc simulate: a simulated KLV-E switcher"},
  };
  for (const auto& [argv, said] : cases) {
    ChildProcess sim;
    ASSERT_TRUE(launch(sim, argv, klvc_env(dir.path())));
    EXPECT_TRUE(sim.wait_for_err(said)) << sim.err();
    sim.signal(SIGINT);
    EXPECT_EQ(sim.wait_exit(), 130);
  }
}

TEST(SimulateProgram, NeverReplacesOrRemovesWhatItDidNotMake) {
  TempDir dir;
  const std::string file = dir.file("a-file"), link = dir.file("a-link");
  testing::write_file(file, "keep me\n");
  ASSERT_EQ(symlink("/elsewhere", link.c_str()), 0);
  for (const std::string& taken : {file, link}) {
    SCOPED_TRACE(taken);
    ChildProcess sim;
    ASSERT_TRUE(launch(sim, {KLVC_BINARY, "simulate", "--link", taken}, klvc_env(dir.path())));
    EXPECT_EQ(sim.wait_exit(), 1);
    EXPECT_NE(sim.err().find(taken + " already exists"), std::string::npos) << sim.err();
  }
  EXPECT_EQ(testing::read_file(file), "keep me\n");
  EXPECT_EQ(fs::read_symlink(link), "/elsewhere");
}

}  // namespace
}  // namespace klvc
