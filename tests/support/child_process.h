// Runs a program with stdin from /dev/null and its stdout and stderr into
// pipes the test reads, as a script would run it. Every wait has a deadline.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace klvc::testing {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // kills the child if it is still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // `env`: NAME=value entries, the whole environment.
  bool start(const std::vector<std::string>& argv, const std::vector<std::string>& env, std::string* error);
  // Reads output until `done` holds or `timeout_ms` passes; returns done().
  bool wait_for(const std::function<bool()>& done, int timeout_ms);
  bool wait_for_err(const std::string& text, int timeout_ms = 10000);
  // Stops reading stdout or stderr and closes it: the child's next write to
  // it fails (EPIPE).
  void close_out();
  void close_err();
  void signal(int sig);
  // Exit status, 128 + signal when a signal ended it, -1 on time-out.
  int wait_exit(int timeout_ms = 30000);

  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }
  // The last non-empty line of stderr.
  std::string last_err_line() const;
  pid_t pid() const { return pid_; }

 private:
  void pump(int wait_ms);
  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  bool exited_ = false;
  int status_ = -1;
  std::string out_;
  std::string err_;
};

// The environment a test gives klvc: its own profile folder (and, under it,
// state/ for what switchers last received), plus `extra`.
std::vector<std::string> klvc_env(const std::string& config_dir, const std::vector<std::string>& extra = {});

// `child.start(argv, env)`, failing with the reason it could not start.
template <typename Child>
::testing::AssertionResult launch(Child& child, const std::vector<std::string>& argv,
                                  const std::vector<std::string>& env) {
  std::string error;
  if (child.start(argv, env, &error)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << error;
}

// The lines a klvc log records as written ("-> BZON\r\n"), without CR LF.
std::vector<std::string> logged_as_sent(const std::string& log);

}  // namespace klvc::testing
