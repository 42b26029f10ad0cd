// Shared by the link tests: a message sink that records every box, and a
// fixture that holds a fresh link of its own.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "link/link.h"
#include "link/messages.h"

namespace klvc::testing {

class RecordingSink : public MessageSink {
 public:
  void post_box(BoxRequest request) override { add(std::move(request)); }
  void show_box(BoxRequest request, std::function<void(BoxResult)> on_close) override {
    add(std::move(request));
    if (on_close) on_close(BoxResult::Ok);
  }
  std::vector<BoxRequest> boxes() const;
  std::vector<std::string> texts() const;
  std::size_t count() const;
  // Waits for a box posted by the reader thread; false after `timeout_ms`.
  bool wait_for(std::size_t count, int timeout_ms = 5000) const;
  // Waits for a box whose text contains `part`.
  bool wait_for_text(const std::string& part, int timeout_ms = 5000) const;
  void clear();

 private:
  void add(BoxRequest request);
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<BoxRequest> boxes_;
};

// Waits (briefly yielding) until `done` holds; false after `timeout_ms`.
bool eventually(const std::function<bool()>& done, int timeout_ms = 5000);

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Calls no_connect_check `n` times, as the frame's 500 ms timer would,
  // moving the link's clock 500 ms before each.
  void ticks(int n);

  std::atomic<std::int64_t> now_ms{1000};
  RecordingSink sink;
  Link link;
};

}  // namespace klvc::testing
