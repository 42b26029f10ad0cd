// `klvc send-all` through serial device servers on 127.0.0.1: the real
// ser2net in front of `klvc simulate`, once as a raw TCP port and once as
// RFC 2217; and servers that cannot be used, said as a local port's faults are.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/files.h"

namespace klvc {
namespace {

using testing::ChildProcess;
using testing::TempDir;

// A port on 127.0.0.1 nobody listens on now, and a socket listening on one.
int listening_socket(int* port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    return -1;
  }
  *port = ntohs(a.sin_port);
  return fd;
}

int free_port() {
  int port = 0;
  const int fd = listening_socket(&port);
  if (fd >= 0) ::close(fd);
  return port;
}

// Something listens on 127.0.0.1:port (read from the kernel's table, so
// nothing connects to find out).
bool listening_on(int port) {
  std::ifstream in("/proc/net/tcp");
  char want[16];
  std::snprintf(want, sizeof want, "0100007F:%04X", port);
  for (std::string line; std::getline(in, line);) {
    std::istringstream f(line);
    std::string slot, local, remote, state;
    if (f >> slot >> local >> remote >> state && local == want && state == "0A") return true;
  }
  return false;
}

std::string ser2net_program() {
  for (const char* p : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"}) {
    if (::access(p, X_OK) == 0) return p;
  }
  return {};
}

// ser2net with a configuration of the test's own, in a process group of its
// own, ended with everything in it.
class Ser2net {
 public:
  ~Ser2net() {
    if (pid_ <= 0) return;
    ::kill(-pid_, SIGTERM);
    for (int i = 0; i < 500 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i) ::usleep(10000);
    if (::kill(pid_, 0) == 0) {
      ::kill(-pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool start(const std::string& program, const std::string& config, const std::string& pid_file) {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setpgid(0, 0);
      std::freopen("/dev/null", "r", stdin);
      std::freopen("/dev/null", "w", stdout);
      ::execl(program.c_str(), program.c_str(), "-n", "-u", "-c", config.c_str(), "-P", pid_file.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    if (pid_ > 0) ::setpgid(pid_, pid_);
    return pid_ > 0;
  }

 private:
  pid_t pid_ = -1;
};

int send_all(const TempDir& dir, const std::string& port, std::string* verdict) {
  ChildProcess klvc;
  std::string error;
  if (!klvc.start({KLVC_BINARY, "send-all", "--port", port, "--model", "A", "--pace", "ack"},
                  testing::klvc_env(dir.path()), &error)) {
    *verdict = error;
    return -1;
  }
  const int status = klvc.wait_exit(60000);
  *verdict = klvc.last_err_line();
  return status;
}

TEST(NetworkPortsThroughSer2net, RawTcpAndRfc2217EachCarryAWholeRun) {
  const std::string program = ser2net_program();
  if (program.empty()) GTEST_SKIP() << "ser2net is not installed (scripts/setup installs it when run as root)";
  TempDir dir;
  // One simulated switcher behind each of ser2net's two ports: a serial
  // port serves one client at a time.
  struct Behind {
    const char* accepter;  // ser2net's
    const char* scheme;    // klvc's
    ChildProcess sim;
    int port = 0;
  } behind[] = {{"tcp", "tcp"}, {"telnet(rfc2217),tcp", "rfc2217"}};
  std::string config;
  for (Behind& b : behind) {
    const std::string link = dir.file(std::string(b.scheme) + "-switcher");
    ASSERT_TRUE(testing::launch(b.sim, {KLVC_BINARY, "simulate", "--link", link, "--model", "A", "--instant"},
                                testing::klvc_env(dir.path())));
    ASSERT_TRUE(b.sim.wait_for_err("Ctrl+C stops it.")) << b.sim.err();
    b.port = free_port();
    config += std::string("connection: &") + b.scheme + "\n  accepter: " + b.accepter + ",127.0.0.1," +
              std::to_string(b.port) + "\n  connector: serialdev," + link + ",9600e81,local\n";
  }
  testing::write_file(dir.file("ser2net.yaml"), config);
  Ser2net server;
  ASSERT_TRUE(server.start(program, dir.file("ser2net.yaml"), dir.file("ser2net.pid")));
  auto all_listening = [&] { return listening_on(behind[0].port) && listening_on(behind[1].port); };
  for (int i = 0; i < 1000 && !all_listening(); ++i) ::usleep(10000);
  ASSERT_TRUE(all_listening()) << "ser2net did not start listening";

  for (Behind& b : behind) {
    SCOPED_TRACE(b.scheme);
    std::string verdict;
    EXPECT_EQ(send_all(dir, std::string(b.scheme) + ":127.0.0.1:" + std::to_string(b.port), &verdict), 0) << verdict;
    EXPECT_EQ(verdict, "klvc send-all: 420 lines sent to KLV-A, every one answered GO");
    b.sim.signal(SIGTERM);
    ASSERT_EQ(b.sim.wait_exit(), 128 + SIGTERM);
    std::istringstream traced(b.sim.out());
    int lines = 0;
    for (std::string l; std::getline(traced, l);) lines += l.rfind("> ", 0) == 0;
    EXPECT_EQ(lines, 420) << "each line reached the switcher once";
  }
}

TEST(NetworkPorts, AServerThatCannotBeUsedIsOneLineWithItsReason) {
  int port = 0;
  const int listener = listening_socket(&port);
  ASSERT_GE(listener, 0);
  // A telnet server without the COM-PORT-OPTION: it refuses the option.
  std::thread refuser([listener] {
    const int c = ::accept(listener, nullptr, nullptr);
    if (c < 0) return;
    char buf[256];
    (void)::read(c, buf, sizeof buf);
    const unsigned char dont[] = {255, 254, 44};
    (void)::write(c, dont, sizeof dont);
    while (::read(c, buf, sizeof buf) > 0) {
    }
    ::close(c);
  });
  TempDir dir;
  const std::string closed = "tcp:127.0.0.1:" + std::to_string(free_port());
  const std::pair<std::string, std::string> cases[] = {
      {"rfc2217:127.0.0.1:" + std::to_string(port), "does not offer the COM-PORT-OPTION of RFC 2217"},
      {closed, "cannot connect to " + closed + ": Connection refused"},
  };
  for (const auto& [name, why] : cases) {
    std::string verdict;
    EXPECT_EQ(send_all(dir, name, &verdict), 1) << verdict;
    EXPECT_NE(verdict.find(why), std::string::npos) << verdict;
    EXPECT_NE(verdict.find("nothing was sent"), std::string::npos) << verdict;
  }
  ::shutdown(listener, SHUT_RDWR);
  ::close(listener);
  refuser.join();
}

}  // namespace
}  // namespace klvc
