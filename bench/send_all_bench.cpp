// What the user waits for: `klvc send-all` run as a program against
// simulated switchers that take a real 9600 baud line's time (each character
// 11/9600 s each way), timed on the real clock from the start of the process
// to its exit, against the stop-and-wait line-rate bound (every character of
// every line and of its "GO" answer, back to back, one line at a time).
//   - each model at the default pace (ack); target: 1.03 x the bound or less
//   - a bus of several units on one RS-485 port (--targets)
//   - --changed-from with 3 titles changed; target: 0.45 s or less
//   - 256 targets side by side (--targets); target: 1.25 x one target's bound
// --timed adds the timed pace of KLV-A (about 91 s); --targets N sets the
// fleet's size, --fleet-only runs the fleet alone.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "send_all/send_all.h"
#include "settings/disk.h"
#include "settings/settings_file.h"
#include "settings/store.h"
#include "commands/send_all_lines.h"
#include "sim/line_time.h"
#include "sim/simulator.h"

namespace {

using namespace klvc;

std::string g_klvc;  // the program beside this one
std::string g_dir;    // scratch folder, also the programs' profile folder

double now_s() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Starts klvc with `args` (its stderr to `err_file`); the pid.
pid_t start(const std::vector<std::string>& args, const std::string& err_file) {
  std::vector<std::string> words = {g_klvc};
  words.insert(words.end(), args.begin(), args.end());
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("XDG_CONFIG_HOME", g_dir.c_str(), 1);
    const int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int null = open("/dev/null", O_RDWR);
    if (err >= 0) dup2(err, STDERR_FILENO);
    if (null >= 0) {
      dup2(null, STDIN_FILENO);
      dup2(null, STDOUT_FILENO);
    }
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    execv(g_klvc.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

// Wall seconds from start to exit; *status its exit status.
double g_cpu = 0;  // CPU seconds of the last run's processes

double cpu_of_children() {
  rusage ru{};
  getrusage(RUSAGE_CHILDREN, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double timed_run(const std::vector<std::string>& args, int* status) {
  const double cpu0 = cpu_of_children();
  const double t0 = now_s();
  const pid_t pid = start(args, g_dir + "/stderr.txt");
  int st = 0;
  waitpid(pid, &st, 0);
  *status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  const double wall = now_s() - t0;
  g_cpu = cpu_of_children() - cpu0;
  return wall;
}

std::string last_line(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "r");
  std::string last, line;
  char buf[4096];
  while (f && std::fgets(buf, sizeof buf, f)) {
    line = buf;
    if (!line.empty() && line != "\n") last = line;
  }
  if (f) std::fclose(f);
  while (!last.empty() && (last.back() == '\n' || last.back() == '\r')) last.pop_back();
  return last;
}

// The stop-and-wait bound of the lines of `ticks`, with `prefix` address
// characters before each line and each answer (RS-485).
double bound_s(const std::vector<SendAllScriptTick>& ticks, std::size_t prefix) {
  std::size_t chars = 0;
  for (const SendAllScriptTick& t : ticks) {
    if (!t.line.empty()) chars += prefix + t.line.size() + prefix + 4;  // "GO" CR LF
  }
  return static_cast<double>(LineTime::ns_for(chars)) / 1e9;
}

// The settings a run without a file sends: every setting its default.
SwitcherSettings defaults() {
  SwitcherSettings s;
  reset_to_defaults(s);
  return s;
}

void row(const char* what, double wall, double bound, int status, const char* target) {
  std::printf("%-28s %8.2f s %8.2f s %8.3f  %-9s %7.2f s  exit %d\n", what, wall, bound, wall / bound, target, g_cpu,
              status);
  if (status != 0) std::printf("    %s\n", last_line(g_dir + "/stderr.txt").c_str());
}

bool wait_for_path(const std::string& path) {
  for (int i = 0; i < 500; ++i) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

void models() {
  for (int model = 0; model < kModelCount; ++model) {
    const SwitcherSettings settings = defaults();
    const double bound = bound_s(send_all_script(settings, model), 0);
    int status = 0;
    const double wall = timed_run({"send-all", "--simulate", "--model", model_name(model)}, &status);
    row((std::string("model ") + model_name(model)).c_str(), wall, bound, status, "<= 1.03");
  }
}

void bus(int units) {
  const std::string link = g_dir + "/bus";
  std::vector<std::string> args = {"simulate", "--link", link, "--model", "A", "--rs485"};
  std::string fleet;
  for (int u = 1; u <= units; ++u) {
    args.insert(args.end(), {"--slave", std::to_string(u)});
    fleet += "[unit" + std::to_string(u) + "]\nport = " + link + "\nmodel = A\nrs485 = yes\nslave = " +
             std::to_string(u) + "\n";
  }
  const pid_t sim = start(args, g_dir + "/sim.txt");
  if (!wait_for_path(link)) {
    std::printf("bus: the simulated bus did not start\n");
    kill(sim, SIGTERM);
    return;
  }
  FILE* f = std::fopen((g_dir + "/bus.ini").c_str(), "w");
  std::fputs(fleet.c_str(), f);
  std::fclose(f);
  const SwitcherSettings settings = defaults();
  const double bound = units * bound_s(send_all_script(settings, 0), 2);
  int status = 0;
  const double wall = timed_run({"send-all", "--targets", g_dir + "/bus.ini"}, &status);
  kill(sim, SIGTERM);
  waitpid(sim, nullptr, 0);
  row(("bus of " + std::to_string(units) + " KLV-A").c_str(), wall, bound, status, "");
}

void changed_titles() {
  const SwitcherSettings settings = defaults();
  std::string error;
  write_settings_file(system_disk(), settings, 0, g_dir + "/old.dat", &error);
  const std::vector<SendAllScriptTick> old_ticks = send_all_script(settings, 0);
  SwitcherSettings titled = settings;
  for (int c : {2, 9, 20}) titled.channel_titles[static_cast<std::size_t>(c)] = "\x82\x60\x82\x61\x82\x62";
  write_settings_file(system_disk(), titled, 0, g_dir + "/new.dat", &error);
  const double bound = bound_s(changed_ticks(old_ticks, send_all_script(titled, 0)), 0);
  int status = 0;
  const double wall = timed_run({"send-all", g_dir + "/new.dat", "--changed-from", g_dir + "/old.dat", "--simulate",
                                 "--model", "A"},
                                &status);
  row("--changed-from, 3 titles", wall, bound, status, "<= 0.45 s");
}

void fleet(int targets) {
  std::vector<std::unique_ptr<SimulatedPort>> ports;
  std::string ini, error;
  for (int i = 0; i < targets; ++i) {
    ports.push_back(std::make_unique<SimulatedPort>(0, SimPace::LineTime));
    const std::string path = g_dir + "/t" + std::to_string(i);
    if (!ports.back()->set_link_path(path, &error) || !ports.back()->start(&error)) {
      std::printf("fleet: cannot start simulated switcher %d: %s\n", i, error.c_str());
      return;
    }
    ini += "[t" + std::to_string(i) + "]\nport = " + path + "\nmodel = A\n";
  }
  FILE* f = std::fopen((g_dir + "/fleet.ini").c_str(), "w");
  std::fputs(ini.c_str(), f);
  std::fclose(f);
  const SwitcherSettings settings = defaults();
  const double bound = bound_s(send_all_script(settings, 0), 0);
  int status = 0;
  const double wall = timed_run({"send-all", "--targets", g_dir + "/fleet.ini"}, &status);
  row((std::to_string(targets) + " targets side by side").c_str(), wall, bound, status, "<= 1.25");
  // The summary's time column: each target's time until its last answer.
  double fastest = 1e9, slowest = 0;
  FILE* err = std::fopen((g_dir + "/stderr.txt").c_str(), "r");
  char line[512];
  while (err && std::fgets(line, sizeof line, err)) {
    std::string l = line;
    while (!l.empty() && (l.back() == '\n' || l.back() == ' ')) l.pop_back();
    if (l.size() < 3 || l.compare(l.size() - 3, 3, " ok") != 0 || l[0] != 't') continue;
    const std::size_t unit = l.rfind(" s ");
    if (unit == std::string::npos) continue;
    const double t = std::atof(l.c_str() + l.rfind(' ', unit - 1) + 1);
    fastest = std::min(fastest, t);
    slowest = std::max(slowest, t);
  }
  if (err) std::fclose(err);
  if (slowest > 0) std::printf("    each target until its last answer: %.1f s to %.1f s\n", fastest, slowest);
  for (auto& p : ports) p->stop();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string self = argv[0];
  const std::size_t slash = self.rfind('/');
  g_klvc = (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/klvc";
  char dir[] = "/tmp/klvc-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  g_dir = dir;
  int fleet_size = 256;
  bool timed = false;
  bool fleet_only = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--timed") == 0) timed = true;
    if (std::strcmp(argv[i], "--targets") == 0 && i + 1 < argc) fleet_size = std::atoi(argv[++i]);
    if (std::strcmp(argv[i], "--fleet-only") == 0) fleet_only = true;
  }
  std::printf("%-28s %10s %10s %8s  %-9s %9s\n", "run (wall: start to exit)", "wall", "bound", "ratio", "target",
              "klvc CPU");
  if (!fleet_only) {
    models();
    bus(4);
    changed_titles();
  }
  fleet(fleet_size);
  if (timed) {
    int status = 0;
    const SwitcherSettings settings = defaults();
    const double wall = timed_run({"send-all", "--simulate", "--model", "A", "--pace", "timed"}, &status);
    row("model KLV-A, --pace timed", wall, bound_s(send_all_script(settings, 0), 0), status, "");
  }
  std::printf("(bound: every character of every line and its GO answer back to back at 11/9600 s)\n");
  std::string rm = "rm -rf " + g_dir;
  return std::system(rm.c_str()) == 0 ? 0 : 1;
}
