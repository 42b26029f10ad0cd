#include "screen/traffic_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace klvc {

std::string local_time_with_ms() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t secs = system_clock::to_time_t(now);
  const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  localtime_r(&secs, &local);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec, ms);
  return buf;
}

TrafficLog::TrafficLog(std::size_t capacity) : capacity_(capacity > 0 ? capacity : 1), now_(local_time_with_ms) {}

void TrafficLog::set_time_source(std::function<std::string()> now) {
  std::lock_guard<std::mutex> lock(mutex_);
  now_ = now ? std::move(now) : std::function<std::string()>(local_time_with_ms);
}

void TrafficLog::add(LogDirection direction, std::string_view bytes) {
  // Each answer already stands right below its line.
  if (direction == LogDirection::Pairing) return;
  std::string text;
  if (direction == LogDirection::Event) {
    for (char c : bytes) text += c == '\n' ? std::string(" — ") : std::string(1, c);
    text = shown(text);
  } else {
    // The line end is the same on every line; what is left is what matters.
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.remove_suffix(1);
    text = escape_bytes(bytes);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.push_back({now_(), direction, std::move(text)});
  while (lines_.size() > capacity_) lines_.pop_front();
}

std::vector<TrafficLine> TrafficLog::last(std::size_t n) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::size_t from = lines_.size() > n ? lines_.size() - n : 0;
  return std::vector<TrafficLine>(lines_.begin() + static_cast<long>(from), lines_.end());
}

}  // namespace klvc
