#include "link/line_assembler.h"

namespace klvc {

void LineAssembler::feed(const char* data, std::size_t size, const LineHandler& on_line) {
  for (std::size_t i = 0; i < size; ++i) {
    char c = data[i];
    if (current_.bytes.size() < kKeptBytes) current_.bytes.push_back(c);
    ++current_.size;
    if (c == '\n') {
      Line done = std::move(current_);
      current_ = Line{};
      on_line(done);
    }
  }
}

}  // namespace klvc
