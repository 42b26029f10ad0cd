// The last lines sent to the switcher, its answers and the link's events,
// with the time each was seen, for the main view. Filled from any thread (the
// reader's answers arrive on its own), read on the user-interface thread.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "link/link_log.h"

namespace klvc {

struct TrafficLine {
  std::string time;  // local time, "HH:MM:SS.mmm"
  LogDirection direction;
  std::string text;  // printable: control bytes escaped, an event's lines joined
};

class TrafficLog {
 public:
  explicit TrafficLog(std::size_t capacity = 200);
  void add(LogDirection direction, std::string_view bytes);
  // The newest `n` lines, oldest first.
  std::vector<TrafficLine> last(std::size_t n) const;
  // Where the times come from (tests give fixed ones).
  void set_time_source(std::function<std::string()> now);

 private:
  mutable std::mutex mutex_;
  std::size_t capacity_;
  std::deque<TrafficLine> lines_;
  std::function<std::string()> now_;
};

// The local time now as "HH:MM:SS.mmm".
std::string local_time_with_ms();

}  // namespace klvc
