// Figures of the screen: time from start to the first complete frame of
// `klvc --simulate`, and the CPU it uses over 10 idle seconds with the clock
// running. Runs the real program on a pseudo-terminal; real time, not run by
// the tests. Usage: screen_bench [path/to/klvc] [idle seconds]
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

std::string sibling_klvc() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./klvc";
  std::string self(buf, static_cast<std::size_t>(n));
  return self.substr(0, self.rfind('/')) + "/klvc";
}

// User plus system CPU time of a process, in milliseconds.
double cpu_ms(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto close = all.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream rest(all.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return 1000.0 * static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Reads what the program writes until `until` (or the deadline); returns whether it was seen.
bool drain(int fd, std::string* out, const std::vector<std::string>& until, Clock::time_point deadline) {
  for (;;) {
    bool all = !until.empty();
    for (const auto& u : until) all = all && out->find(u) != std::string::npos;
    if (all) return true;
    const double left = std::chrono::duration<double, std::milli>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left) + 1) <= 0) continue;
    char buf[8192];
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) return false;
    out->append(buf, static_cast<std::size_t>(n));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string klvc = argc > 1 ? argv[1] : sibling_klvc();
  const int idle_s = argc > 2 ? std::atoi(argv[2]) : 10;

  char home[] = "/tmp/klvc-bench-XXXXXX";
  if (!::mkdtemp(home)) {
    std::perror("mkdtemp");
    return 1;
  }
  winsize ws{};
  ws.ws_col = 100;
  ws.ws_row = 30;
  int master = -1;
  const auto t0 = Clock::now();
  pid_t pid = ::forkpty(&master, nullptr, nullptr, &ws);
  if (pid < 0) {
    std::perror("forkpty");
    return 1;
  }
  if (pid == 0) {
    std::string h = std::string("HOME=") + home, x = std::string("XDG_CONFIG_HOME=") + home;
    char* envp[] = {h.data(), x.data(), const_cast<char*>("TERM=xterm-256color"), nullptr};
    char* args[] = {const_cast<char*>(klvc.c_str()), const_cast<char*>("--simulate"), nullptr};
    ::execve(args[0], args, envp);
    ::_exit(127);
  }

  std::string out;
  // The status bar's idle text and the last top menu: the whole frame is out.
  const bool drawn = drain(master, &out, {"ﾚﾃﾞｨ", "ﾍﾙﾌﾟ"}, t0 + std::chrono::seconds(10));
  const double first_frame_ms = ms_since(t0);
  if (!drawn) {
    std::fprintf(stderr, "screen_bench: %s drew no complete frame within 10 s\n", klvc.c_str());
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return 1;
  }
  std::printf("start to first complete frame: %.1f ms (target under 50 ms)\n", first_frame_ms);

  const double cpu_before = cpu_ms(pid);
  const auto idle_start = Clock::now();
  out.clear();
  drain(master, &out, {}, idle_start + std::chrono::seconds(idle_s));
  const double wall = ms_since(idle_start);
  const double cpu = cpu_ms(pid) - cpu_before;
  std::printf("CPU over %d s idle with the clock running: %.1f ms = %.3f %% of one core (target under 1 %%)\n",
              idle_s, cpu, 100.0 * cpu / wall);
  std::printf("bytes written to the terminal while idle: %zu\n", out.size());

  ::write(master, "\x03", 1);  // close the window; nothing was edited, so no question
  const auto quit_start = Clock::now();
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (ms_since(quit_start) > 5000) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      std::fprintf(stderr, "screen_bench: the program did not quit within 5 s\n");
      break;
    }
    drain(master, &out, {}, Clock::now() + std::chrono::milliseconds(20));
  }
  std::printf("quit after Ctrl+C: %.1f ms\n", ms_since(quit_start));
  ::close(master);
  std::string rm = std::string("rm -rf '") + home + "'";
  if (std::system(rm.c_str()) != 0) return 1;
  return 0;
}
