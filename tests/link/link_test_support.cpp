#include "link_test_support.h"

#include <chrono>
#include <thread>

#include "link/link_log.h"

namespace klvc::testing {

void RecordingSink::add(BoxRequest request) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.push_back(std::move(request));
  }
  changed_.notify_all();
}

std::vector<BoxRequest> RecordingSink::boxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

std::vector<std::string> RecordingSink::texts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> out;
  for (const auto& b : boxes_) out.push_back(b.text);
  return out;
}

std::size_t RecordingSink::count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_.size();
}

bool RecordingSink::wait_for(std::size_t count, int timeout_ms) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return boxes_.size() >= count; });
}

bool RecordingSink::wait_for_text(const std::string& part, int timeout_ms) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
    for (const auto& b : boxes_) {
      if (b.text.find(part) != std::string::npos) return true;
    }
    return false;
  });
}

void RecordingSink::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  boxes_.clear();
}

bool eventually(const std::function<bool()>& done, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void LinkTest::SetUp() {
  set_message_sink(&sink);
  link.set_clock([this] { return now_ms.load(); });
}

void LinkTest::TearDown() {
  link.stop();
  set_message_sink(nullptr);
}

void LinkTest::ticks(int n) {
  for (int i = 0; i < n; ++i) {
    now_ms += 500;
    link.no_connect_check();
  }
}

}  // namespace klvc::testing
