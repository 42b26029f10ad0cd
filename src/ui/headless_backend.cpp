// A screen of a fixed size with no terminal behind it, for tests: the clock
// only moves when the test advances it, and input comes through Ui::feed.
#include <poll.h>

#include "ui/backend.h"

namespace klvc::ui {
namespace {

class HeadlessBackend : public Backend {
 public:
  HeadlessBackend(int width, int height) : width_(width), height_(height) {}
  Clock& clock() override { return clock_; }
  bool real_time() const override { return false; }
  int width() const override { return width_; }
  int height() const override { return height_; }
  void wait(int timeout_ms, int wake_fd, std::vector<Event>&) override {
    // Never wait without a limit: nothing but another thread can end the wait.
    pollfd p{wake_fd, POLLIN, 0};
    poll(&p, 1, timeout_ms < 0 ? 0 : timeout_ms);
  }
  void resize(int w, int h) override {
    width_ = w > 0 ? w : 80;
    height_ = h > 0 ? h : 24;
  }

 private:
  TestClock clock_;
  int width_;
  int height_;
};

}  // namespace

std::unique_ptr<Backend> make_headless_backend(int width, int height) {
  return std::make_unique<HeadlessBackend>(width > 0 ? width : 80, height > 0 ? height : 24);
}

}  // namespace klvc::ui
