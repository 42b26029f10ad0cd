// The time a real serial line takes: at 9600 baud 8E1 each character is 11
// bits (start, 8 data, parity, stop), 11/9600 s, and each direction runs on
// its own. The simulated switcher takes this time unless told to be instant.
#pragma once

#include <cstddef>
#include <cstdint>

namespace klvc {

class LineTime {
 public:
  // Characters through the line, in nanoseconds.
  static std::int64_t ns_for(std::size_t characters) {
    return static_cast<std::int64_t>(characters) * 11 * 1000000000LL / 9600;
  }

  explicit LineTime(bool real = true) : real_(real) {}
  bool real() const { return real_; }

  // `count` characters leave the program at `now_ns`: when the last of them
  // has reached the switcher (after those still on their way).
  std::int64_t arrive(std::int64_t now_ns, std::size_t count) { return pass(&in_free_, now_ns, count); }
  // An answer of `count` characters is ready at `ready_ns`: when the last of
  // them has reached the program.
  std::int64_t depart(std::int64_t ready_ns, std::size_t count) { return pass(&out_free_, ready_ns, count); }
  // A new client: nothing is on its way any more.
  void reset() { in_free_ = out_free_ = 0; }

 private:
  std::int64_t pass(std::int64_t* free_at, std::int64_t at, std::size_t count) {
    if (!real_) return at;
    const std::int64_t start = at > *free_at ? at : *free_at;
    *free_at = start + ns_for(count);
    return *free_at;
  }
  bool real_;
  std::int64_t in_free_ = 0;
  std::int64_t out_free_ = 0;
};

}  // namespace klvc
