#include "link/answer_queue.h"

#include <algorithm>

namespace klvc {

long AnswerQueue::push(std::string line, LineOwner owner) {
  before_last_ = last_;
  last_ = AwaitedLine{last_.number + 1, std::move(line), std::move(owner)};
  waiting_.push_back(last_);
  return last_.number;
}

void AnswerQueue::withdraw(long number) {
  auto at = std::find_if(waiting_.begin(), waiting_.end(),
                         [number](const AwaitedLine& a) { return a.number == number; });
  if (at != waiting_.end()) waiting_.erase(at);
  if (last_.number == number) last_ = before_last_;
}

std::optional<AwaitedLine> AnswerQueue::settle() {
  if (waiting_.empty()) return std::nullopt;
  AwaitedLine oldest = std::move(waiting_.front());
  waiting_.pop_front();
  return oldest;
}

void AnswerQueue::mark_written(long number, std::int64_t ms) {
  for (auto it = waiting_.rbegin(); it != waiting_.rend(); ++it) {
    if (it->number == number) {
      it->written_ms = ms;
      return;
    }
  }
}

std::vector<AwaitedLine> AnswerQueue::give_up() {
  std::vector<AwaitedLine> all(waiting_.begin(), waiting_.end());
  waiting_.clear();
  return all;
}

void AnswerQueue::reset() {
  waiting_.clear();
  last_ = before_last_ = AwaitedLine{};
}

}  // namespace klvc
