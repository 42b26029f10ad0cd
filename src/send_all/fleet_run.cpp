// The parent of a --targets run: one child klvc per port (kept for isolation:
// a crash or hang in one never reaches the others), their records read
// from pipes, one progress row per target on a terminal (plain lines
// otherwise), and the summary table at the end.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "send_all/fleet.h"
#include "cli/log_file.h"
#include "cli/stop_signals.h"
#include "common/text.h"
#include "link/link_log.h"
#include "settings/store.h"

namespace klvc {

namespace {

constexpr int kPollMs = 100;
constexpr std::int64_t kQuietLimitMs = 60000;  // a child that says nothing this long is stuck
constexpr std::int64_t kKillAfterMs = 5000;    // after SIGTERM, SIGKILL

struct Row {
  const FleetTarget* f = nullptr;
  enum class State { Waiting, Running, Done } state = State::Waiting;
  std::string step = "-";
  std::string lines = "-";
  std::string left;
  std::string phase;
  std::string answer;
  int status = -1;
  std::string result;  // the verdict, or what became of the child
  std::string run_ms = "0";
};

struct Child {
  std::vector<std::size_t> rows;
  bool started = false;
  pid_t pid = -1;
  int fd = -1;
  std::string buffer;
  std::size_t current = 0;  // the row its records are about
  std::int64_t last_heard = 0;
  std::int64_t stop_sent = 0;  // when it was told to stop for saying nothing
  bool exited = false;
};

std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> f;
  std::size_t at = 0;
  for (std::size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1) f.push_back(line.substr(at, tab - at));
  f.push_back(line.substr(at));
  return f;
}

std::string without_head(std::string text) {
  const std::string head = "klvc send-all: ";
  return text.rfind(head, 0) == 0 ? text.substr(head.size()) : text;
}

std::string minutes_seconds(std::int64_t ms) {
  const std::int64_t s = (std::max<std::int64_t>(ms, 0) + 999) / 1000;
  std::ostringstream out;
  out << s / 60 << ':' << std::setw(2) << std::setfill('0') << s % 60;
  return out.str();
}

const char* pace_name(PaceMode p) { return p == PaceMode::Ack ? "ack" : "timed"; }

// The terminal's rows (24 when unknown).
int terminal_rows() {
  winsize ws{};
  return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 ? ws.ws_row : 24;
}

class FleetRun {
 public:
  FleetRun(const SendAllOptions& o, const std::vector<FleetTarget>& targets)
      : options_(o), terminal_(isatty(STDERR_FILENO) == 1) {
    for (const FleetTarget& f : targets) {
      rows_.emplace_back();
      rows_.back().f = &f;
      name_width_ = std::max(name_width_, static_cast<int>(f.target.name.size()));
    }
    for (const auto& group : fleet_groups(targets)) {
      children_.emplace_back();
      children_.back().rows = group;
    }
    bound_ = fleet_child_bound(o.jobs);
  }

  int run(SendAllPace& pace) {
    draw();
    int forwarded = 0;
    while (std::any_of(children_.begin(), children_.end(), [](const Child& c) { return !c.exited; })) {
      if (const int sig = pace.stop_signal(); sig && !forwarded) {
        // Every child stops after its current line and reports; those not
        // started yet are not started.
        for (Child& c : children_) {
          if (!c.exited && c.pid > 0) ::kill(c.pid, sig);
          if (!c.started) {
            c.started = true;
            give_up(c, "not started: the run was stopped before its turn");
          }
        }
        forwarded = sig;
      }
      start_more(pace.now_ms());
      pump(pace.now_ms());
    }
    clear_rows();
    print_summary();
    if (forwarded) return kExitSignalBase + forwarded;
    const bool all_ok = std::all_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.status == kExitOk; });
    return all_ok ? kExitOk : kExitFailed;
  }

 private:
  // Children up to the bound; a start that fails for want of descriptors or
  // processes waits for a running child to end, or is given up when none runs.
  void start_more(std::int64_t now) {
    for (Child& c : children_) {
      if (running_ >= bound_) return;
      if (c.started) continue;
      c.started = true;
      const int error = start(c, now);
      if (error == 0) {
        ++running_;
      } else if ((error == EMFILE || error == ENFILE || error == EAGAIN) && running_ > 0) {
        c.started = false;  // again once a child has ended
        bound_ = running_;
        return;
      } else {
        give_up(c, std::string("cannot start: ") + std::strerror(error));
      }
    }
  }

  // 0, or the errno of the failed start.
  int start(Child& c, std::int64_t now) {
    c.last_heard = now;
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return errno;
    std::vector<std::string> words = {"klvc"};
    if (options_.log && options_.log->is_open()) words.insert(words.end(), {"--log", options_.log->path()});
    words.insert(words.end(), {"send-all", "--targets", options_.targets, "--records"});
    for (std::size_t r : c.rows) words.insert(words.end(), {"--only", rows_[r].f->target.name});
    if (options_.force) words.push_back("--force");
    if (options_.changed) words.push_back("--changed");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    c.pid = ::fork();
    if (c.pid == 0) {
      ::dup2(pipe_fds[1], STDOUT_FILENO);
      const int null = ::open("/dev/null", O_RDONLY);
      if (null >= 0) ::dup2(null, STDIN_FILENO);
      ::execv("/proc/self/exe", argv.data());
      _exit(127);
    }
    const int fork_error = errno;
    ::close(pipe_fds[1]);
    if (c.pid < 0) {
      ::close(pipe_fds[0]);
      return fork_error;
    }
    c.fd = pipe_fds[0];
    return 0;
  }

  // The child's targets that have no verdict get `why`.
  void give_up(Child& c, const std::string& why) {
    c.exited = true;
    for (std::size_t r : c.rows) {
      if (rows_[r].state == Row::State::Done) continue;
      rows_[r].state = Row::State::Done;
      rows_[r].status = kExitFailed;
      rows_[r].result = why;
      say(rows_[r], why);
    }
  }

  void pump(std::int64_t now) {
    // Only what is open: poll refuses more descriptors than the limit.
    std::vector<pollfd> fds;
    std::vector<Child*> polled;
    for (Child& c : children_) {
      if (c.fd < 0) continue;
      fds.push_back({c.fd, POLLIN, 0});
      polled.push_back(&c);
    }
    const int ready = ::poll(fds.data(), fds.size(), kPollMs);
    for (std::size_t i = 0; ready > 0 && i < polled.size(); ++i) {
      if (fds[i].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) read_from(*polled[i], now);
    }
    for (Child& c : children_) {
      if (!c.started || c.pid <= 0) continue;
      if (c.fd < 0 && !c.exited) {
        reap(c);
        --running_;
      }
      if (!c.exited && now - c.last_heard > kQuietLimitMs) {
        if (!c.stop_sent) {
          c.stop_sent = now;
          ::kill(c.pid, SIGTERM);
        } else if (now - c.stop_sent > kKillAfterMs) {
          ::kill(c.pid, SIGKILL);
        }
      }
    }
    // The rows at most every poll period: a terminal need not redraw for every record.
    if (now - last_draw_ >= kPollMs) {
      draw();
      last_draw_ = now;
    }
  }

  void read_from(Child& c, std::int64_t now) {
    char buf[4096];
    const ssize_t n = ::read(c.fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) {
      ::close(c.fd);
      c.fd = -1;
      return;
    }
    c.last_heard = now;
    c.buffer.append(buf, static_cast<std::size_t>(n));
    for (std::size_t nl; (nl = c.buffer.find('\n')) != std::string::npos;) {
      record(c, c.buffer.substr(0, nl));
      c.buffer.erase(0, nl + 1);
    }
  }

  void reap(Child& c) {
    int status = 0;
    if (::waitpid(c.pid, &status, 0) != c.pid) return give_up(c, "ended unseen");
    std::string why = "ended without a verdict (exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
    if (WIFSIGNALED(status)) why = std::string("ended by SIG") + sigabbrev_np(WTERMSIG(status)) + " without a verdict";
    if (c.stop_sent) why = "said nothing for " + std::to_string(kQuietLimitMs / 1000) + " s and was stopped";
    give_up(c, why);
  }

  void record(Child& c, const std::string& line) {
    std::vector<std::string> f = split_tabs(line);
    if (f[0] == "done" && f.size() > 7) {
      // Only the verdict, last, may hold a tab: the rest is its own.
      for (std::size_t i = 7; i < f.size(); ++i) f[6] += "\t" + f[i];
      f.resize(7);
    }
    if ((f[0] == "target" || f[0] == "done") && f.size() >= 2) {
      for (std::size_t r : c.rows) {
        if (rows_[r].f->target.name == f[1]) c.current = r;
      }
    }
    if (f[0] == "target") {
      rows_[c.current].state = Row::State::Running;
      say(rows_[c.current], "started on " + rows_[c.current].f->device);
      return;
    }
    Row& row = rows_[c.current];
    if (f[0] == "progress" && f.size() >= 8) {
      const bool new_phase = row.phase != f[6];
      row.step = f[1] + "/" + f[2];
      row.lines = f[3] + "/" + f[4];
      row.left = minutes_seconds(std::atoll(f[5].c_str()));
      row.phase = f[6];
      row.answer = f[7];
      if (new_phase && !terminal_) say(row, "step " + row.step + ", " + row.phase + ", " + row.lines + " lines sent, " + row.left + " left");
    } else if (f[0] == "message" && f.size() >= 2) {
      say(row, without_head(line.substr(8)));
    } else if (f[0] == "done" && f.size() >= 7) {
      row.state = Row::State::Done;
      row.status = kExitFailed;
      if (f[2].size() <= 3) parse_digits(f[2], &row.status);
      row.lines = f[3] + "/" + f[4];
      row.run_ms = f[5];
      row.result = without_head(f[6]);
    }
  }

  // One line about one target, above the rows on a terminal.
  void say(const Row& row, const std::string& text) {
    clear_rows();
    std::cerr << row.f->target.name << ": " << text << '\n';
    drawn_ = 0;
    draw();
  }

  void clear_rows() {
    if (!terminal_ || drawn_ == 0) return;
    std::cerr << "\033[" << drawn_ << "A\r\033[J";
    drawn_ = 0;
  }

  void draw() {
    if (!terminal_) return;
    std::ostringstream out;
    if (drawn_ > 0) out << "\033[" << drawn_ << "A";
    // Rows beyond the terminal's height would scroll away and stay behind:
    // the running ones first, then the rest as one count.
    const std::size_t room = static_cast<std::size_t>(std::max(terminal_rows() - 2, 1));
    std::vector<const Row*> shown;
    for (int pass = 0; pass < 3; ++pass) {
      const Row::State wanted = pass == 0 ? Row::State::Running : pass == 1 ? Row::State::Waiting : Row::State::Done;
      for (const Row& r : rows_) {
        if (r.state == wanted) shown.push_back(&r);
      }
    }
    const bool cut = shown.size() > room;
    if (cut) shown.resize(room - 1);
    for (const Row* row : shown) {
      const Row& r = *row;
      out << '\r' << std::left << std::setw(name_width_) << r.f->target.name << ' ';
      switch (r.state) {
        case Row::State::Waiting: out << "waiting for the port"; break;
        case Row::State::Running:
          out << "step " << std::setw(8) << r.step << " lines " << std::setw(10) << r.lines << ' ' << std::setw(10)
              << (r.left + " left") << (r.answer.empty() ? "-" : r.answer) << "  " << r.phase;
          break;
        case Row::State::Done: out << (r.status == kExitOk ? "done: " : "FAILED: ") << r.result; break;
      }
      out << "\033[K\n";
    }
    if (cut) out << "\r... and " << rows_.size() - shown.size() << " more targets\033[K\n";
    out << "\033[J";
    std::cerr << out.str() << std::flush;
    drawn_ = shown.size() + (cut ? 1 : 0);
  }

  static std::string where(const Row& r) {
    const SendAllTarget& t = r.f->target;
    return r.f->port + (t.interface_mode ? " #" + std::to_string(t.slave) : std::string());
  }

  void print_summary() {
    std::size_t port_width = 4;
    for (const Row& r : rows_) port_width = std::max(port_width, where(r).size());
    const int nw = name_width_, pw = static_cast<int>(port_width);
    std::ostringstream out;
    out << std::left << std::setw(nw) << "target" << ' ' << std::setw(pw) << "port" << ' ' << std::setw(6) << "model" << ' '
        << std::setw(5) << "pace" << ' ' << std::setw(11) << "lines" << ' ' << std::setw(8) << "time" << " result\n";
    for (const Row& r : rows_) {
      const SendAllTarget& t = r.f->target;
      std::ostringstream secs;
      secs << std::fixed << std::setprecision(1) << std::atof(r.run_ms.c_str()) / 1000 << " s";
      out << std::setw(nw) << t.name << ' ' << std::setw(pw) << where(r) << ' ' << std::setw(6) << model_name(t.model)
          << ' ' << std::setw(5) << pace_name(t.pace) << ' ' << std::setw(11) << r.lines << ' ' << std::setw(8)
          << secs.str() << ' ' << (r.status == kExitOk ? "ok" : r.result) << '\n';
    }
    std::cerr << out.str() << std::flush;
  }

  const SendAllOptions& options_;
  const bool terminal_;
  std::vector<Row> rows_;
  std::vector<Child> children_;
  std::size_t drawn_ = 0;
  int name_width_ = 6;
  int bound_ = 1;    // children running at once at most
  int running_ = 0;
  std::int64_t last_draw_ = 0;
};

}  // namespace

int run_fleet(const SendAllOptions& o, const std::vector<FleetTarget>& targets) {
  if (o.dry_run) return fleet_dry_run(targets);
  std::string why;
  std::unique_ptr<SendAllPace> pace = monotonic_send_all_pace(&why);
  if (!pace) {
    std::cerr << "klvc send-all: " << why << "; nothing was sent\n";
    return kExitFailed;
  }
  StopSignals signals(true);  // each forwarded to the targets' processes
  FleetRun run(o, targets);
  return run.run(*pace);
}

}  // namespace klvc
