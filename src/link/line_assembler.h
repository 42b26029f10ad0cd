// Received bytes into answer lines, with a bounded buffer.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace klvc {

// A line ends at each line feed, so answers that arrive together in one
// read are still handled one by one. The switcher's answers are a few bytes;
// of a longer line only the first kKeptBytes are kept, the rest is counted
// and dropped, so junk on the line never grows the buffer.
class LineAssembler {
 public:
  static constexpr std::size_t kKeptBytes = 64;

  struct Line {
    std::string bytes;      // the line up to and including its LF, cut at kKeptBytes
    std::size_t size = 0;   // the line's real length
    long written_before = -1;  // the last line written before it was read (-1: not known)
    bool cut() const { return size > bytes.size(); }
  };
  using LineHandler = std::function<void(const Line&)>;

  void feed(const char* data, std::size_t size, const LineHandler& on_line);
  // Bytes of the unfinished line received so far.
  std::size_t pending() const { return current_.size; }
  void clear() { current_ = Line{}; }

 private:
  Line current_;
};

}  // namespace klvc
