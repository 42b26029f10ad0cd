#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace klvc::testing {

namespace {

long long now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !exited_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  for (int fd : {out_fd_, err_fd_}) {
    if (fd >= 0) ::close(fd);
  }
}

bool ChildProcess::start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         std::string* error) {
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
    *error = std::string("pipe failed: ") + std::strerror(errno);
    return false;
  }
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ < 0) {
    *error = std::string("fork failed: ") + std::strerror(errno);
    return false;
  }
  if (pid_ == 0) {
    int in = ::open("/dev/null", O_RDONLY);
    if (in < 0 || ::dup2(in, 0) < 0 || ::dup2(out[1], 1) < 0 || ::dup2(err[1], 2) < 0) ::_exit(126);
    ::execve(args[0], args.data(), envp.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  out_fd_ = out[0];
  err_fd_ = err[0];
  return true;
}

void ChildProcess::pump(int wait_ms) {
  pollfd p[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
  if (::poll(p, 2, wait_ms) <= 0) return;
  char buf[8192];
  int* fds[2] = {&out_fd_, &err_fd_};
  std::string* into[2] = {&out_, &err_};
  for (int i = 0; i < 2; ++i) {
    if (!(p[i].revents & (POLLIN | POLLHUP))) continue;
    ssize_t n = ::read(*fds[i], buf, sizeof buf);
    if (n > 0) {
      into[i]->append(buf, static_cast<std::size_t>(n));
    } else if (n == 0) {
      ::close(*fds[i]);
      *fds[i] = -1;
    }
  }
}

bool ChildProcess::wait_for(const std::function<bool()>& done, int timeout_ms) {
  const long long deadline = now_ms() + timeout_ms;
  while (!done()) {
    const long long left = deadline - now_ms();
    if (left <= 0) return false;
    if (out_fd_ < 0 && err_fd_ < 0) return done();
    pump(static_cast<int>(std::min<long long>(left, 100)));
  }
  return true;
}

bool ChildProcess::wait_for_err(const std::string& text, int timeout_ms) {
  return wait_for([&] { return err_.find(text) != std::string::npos; }, timeout_ms);
}

void ChildProcess::close_out() {
  if (out_fd_ >= 0) ::close(out_fd_);
  out_fd_ = -1;
}

void ChildProcess::close_err() {
  if (err_fd_ >= 0) ::close(err_fd_);
  err_fd_ = -1;
}

void ChildProcess::signal(int sig) {
  if (pid_ > 0 && !exited_) ::kill(pid_, sig);
}

int ChildProcess::wait_exit(int timeout_ms) {
  const long long deadline = now_ms() + timeout_ms;
  while (!exited_) {
    int st = 0;
    if (::waitpid(pid_, &st, WNOHANG) == pid_) {
      exited_ = true;
      status_ = WIFEXITED(st) ? WEXITSTATUS(st) : WIFSIGNALED(st) ? 128 + WTERMSIG(st) : -1;
      break;
    }
    const long long left = deadline - now_ms();
    if (left <= 0) return -1;
    if (out_fd_ < 0 && err_fd_ < 0) {
      pollfd none{-1, 0, 0};
      ::poll(&none, 0, static_cast<int>(std::min<long long>(left, 20)));  // waiting for waitpid only
    } else {
      pump(static_cast<int>(std::min<long long>(left, 20)));
    }
  }
  for (int i = 0; i < 50 && (out_fd_ >= 0 || err_fd_ >= 0); ++i) pump(100);  // what it wrote last
  return status_;
}

std::string ChildProcess::last_err_line() const {
  std::size_t end = err_.find_last_not_of('\n');
  if (end == std::string::npos) return {};
  std::size_t start = err_.rfind('\n', end);
  return err_.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

std::vector<std::string> klvc_env(const std::string& config_dir, const std::vector<std::string>& extra) {
  std::vector<std::string> env = {"XDG_CONFIG_HOME=" + config_dir, "XDG_STATE_HOME=" + config_dir + "/state",
                                  "LANG=C.UTF-8", "PATH=/usr/bin:/bin"};
  if (const char* home = ::getenv("HOME")) env.push_back(std::string("HOME=") + home);
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

std::vector<std::string> logged_as_sent(const std::string& log) {
  std::ifstream in(log);
  std::vector<std::string> sent;
  for (std::string l; std::getline(in, l);) {
    if (l.size() < 28 || l.compare(24, 3, "-> ") != 0) continue;
    std::string line = l.substr(27);
    if (line.size() >= 4 && line.compare(line.size() - 4, 4, "\\r\\n") == 0) line.resize(line.size() - 4);
    sent.push_back(line);
  }
  return sent;
}

}  // namespace klvc::testing
