// The screen on a real terminal: raw input decoded into events, frames
// written as differences, and the terminal given back on every way out.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#include <string>

#include "common/text.h"
#include "ui/backend.h"
#include "ui/key_decoder.h"
#include "ui/screen_writer.h"
#include "ui/terminal_codeset.h"
#include "ui/terminal_modes.h"

namespace klvc::ui {
namespace {

constexpr int kEscapeWaitMs = 50;  // an ESC alone this long is the Escape key

class TerminalBackend : public Backend {
 public:
  TerminalBackend(int in_fd, int out_fd, int sig_read, int sig_write, std::unique_ptr<CodesetConverter> codeset)
      : in_(in_fd), out_(out_fd), sig_read_(sig_read), sig_write_(sig_write), codeset_(std::move(codeset)) {
    query_size();
  }

  ~TerminalBackend() override {
    terminal::give_back();
    terminal::remove_signal_handlers();
    close(sig_read_);
    close(sig_write_);
  }

  Clock& clock() override { return clock_; }
  bool real_time() const override { return true; }
  int width() const override { return width_; }
  int height() const override { return height_; }

  void wait(int timeout_ms, int wake_fd, std::vector<Event>& events) override {
    if (!pending_.empty()) {
      int left = static_cast<int>(pending_since_ + kEscapeWaitMs - clock_.now_ms());
      if (left < 0) left = 0;
      if (timeout_ms < 0 || left < timeout_ms) timeout_ms = left;
    }
    pollfd fds[3] = {{wake_fd, POLLIN, 0}, {sig_read_, POLLIN, 0}, {input_open_ ? in_ : -1, POLLIN, 0}};
    int n = poll(fds, 3, timeout_ms);
    if (n < 0 && errno != EINTR) return;
    if (n > 0 && (fds[1].revents & POLLIN)) {
      char buf[64];
      while (read(sig_read_, buf, sizeof buf) > 0) {
      }
    }
    handle_signals(events);
    if (n > 0 && input_open_ && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
      char buf[4096];
      ssize_t k = read(in_, buf, sizeof buf);
      if (k > 0) {
        if (pending_.empty()) pending_since_ = clock_.now_ms();
        if (codeset_) {
          raw_.append(buf, static_cast<std::size_t>(k));
          pending_ += codeset_->from_terminal(raw_);
        } else {
          pending_.append(buf, static_cast<std::size_t>(k));
        }
      } else if (k == 0 || (errno != EINTR && errno != EAGAIN)) {
        input_open_ = false;  // the terminal went away: end the program once
        terminate_ = SIGHUP;
      }
    }
    if (!pending_.empty()) {
      bool timed_out = clock_.now_ms() - pending_since_ >= kEscapeWaitMs;
      std::size_t used = decode_input(pending_, timed_out, events);
      pending_.erase(0, used);
      if (!pending_.empty() && used > 0) pending_since_ = clock_.now_ms();
    }
  }

  void present(const Canvas& frame) override {
    std::string bytes = diff_frames(shown_ ? &*shown_ : nullptr, frame);
    if (codeset_) bytes = codeset_->to_terminal(bytes);
    if (!bytes.empty()) write_all(bytes);
    shown_ = frame;
  }

  void bell() override { write_all("\a"); }

  bool take_close_request() override {
    bool r = terminal::flags().close;
    terminal::flags().close = 0;
    return r;
  }

  int take_terminate_request() override {
    auto& f = terminal::flags();
    if (f.hangup) {
      f.hangup = 0;
      input_open_ = false;
      terminate_ = SIGHUP;
    }
    if (f.terminate) {
      f.terminate = 0;
      if (terminate_ == 0) terminate_ = SIGTERM;
    }
    int r = terminate_;
    terminate_ = 0;
    return r;
  }

  void suspend() override {
    terminal::suspend_self(in_, out_);
    after_continue();
  }

 private:
  void handle_signals(std::vector<Event>& events) {
    auto& f = terminal::flags();
    if (f.suspend) {
      f.suspend = 0;
      suspend();
      events.push_back(Event::of(Key::Resize));
    }
    if (f.continued) {  // stopped and continued from outside: the shell may have changed the modes
      f.continued = 0;
      terminal::give_back();
      std::string ignored;
      terminal::take(in_, out_, &ignored);
      after_continue();
      events.push_back(Event::of(Key::Resize));
    }
    if (f.resize) {
      f.resize = 0;
      query_size();
      shown_.reset();  // terminals reflow on resize: draw everything again
      events.push_back(Event::of(Key::Resize));
    }
  }

  void after_continue() {
    query_size();
    shown_.reset();
  }

  void query_size() {
    winsize ws{};
    if (ioctl(out_, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
      width_ = ws.ws_col;
      height_ = ws.ws_row;
    } else {
      width_ = 80;
      height_ = 24;
    }
  }

  // A full terminal is waited for; a gone one leaves nothing sensible to do with output.
  void write_all(const std::string& s) { write_whole(out_, s.data(), s.size(), -1); }

  SteadyClock clock_;
  int in_;
  int out_;
  int sig_read_;
  int sig_write_;
  int width_ = 80;
  int height_ = 24;
  bool input_open_ = true;
  int terminate_ = 0;  // a signal number to end with
  std::string pending_;
  std::int64_t pending_since_ = 0;
  std::unique_ptr<CodesetConverter> codeset_;  // set when the terminal is not UTF-8
  std::string raw_;                            // terminal bytes not yet converted
  std::optional<Canvas> shown_;
};

}  // namespace

std::unique_ptr<Backend> make_terminal_backend(std::string* error) {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    if (error) *error = !isatty(STDIN_FILENO) ? "standard input is not a terminal" : "standard output is not a terminal";
    return nullptr;
  }
  // Asked before the terminal is taken, so the reason can still be read.
  std::string codeset_error;
  std::unique_ptr<CodesetConverter> codeset = CodesetConverter::for_locale(&codeset_error);
  if (!codeset_error.empty()) {
    if (error) *error = codeset_error;
    return nullptr;
  }
  int sig_pipe[2];
  if (pipe2(sig_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    if (error) *error = std::string("cannot create the signal pipe: ") + std::strerror(errno);
    return nullptr;
  }
  terminal::install_signal_handlers(sig_pipe[1]);
  if (!terminal::take(STDIN_FILENO, STDOUT_FILENO, error)) {
    terminal::remove_signal_handlers();
    close(sig_pipe[0]);
    close(sig_pipe[1]);
    return nullptr;
  }
  return std::make_unique<TerminalBackend>(STDIN_FILENO, STDOUT_FILENO, sig_pipe[0], sig_pipe[1], std::move(codeset));
}

}  // namespace klvc::ui
