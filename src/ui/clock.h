// Monotonic milliseconds; the headless backend uses a test clock that only
// moves when a test advances it.
#pragma once

#include <cstdint>

namespace klvc::ui {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t now_ms() const = 0;
};

class SteadyClock : public Clock {
 public:
  std::int64_t now_ms() const override;
};

class TestClock : public Clock {
 public:
  std::int64_t now_ms() const override { return now_; }
  void set(std::int64_t ms) { now_ = ms; }
  void advance(std::int64_t ms) { now_ += ms; }

 private:
  std::int64_t now_ = 0;
};

}  // namespace klvc::ui
