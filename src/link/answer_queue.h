// The lines written to the switcher that still await an answer, oldest
// first. The switcher answers every line once and in order, so each answer
// settles the oldest line waiting; an answer with none waiting is
// unexpected and never counts for a later line.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace klvc {

struct AnswerEvent;

// Who sent a line and wants to hear of its answer. `label` names the line in
// the error box of its answer or of its No Connect ("ch02 のタイトル");
// `on_answer`, when set, hears the answer instead of the "Success" box (the
// sender shows it itself) and runs on the user-interface thread.
struct LineOwner {
  std::string label;
  std::function<void(const AnswerEvent&)> on_answer;
};

struct AwaitedLine {
  long number = 0;   // 1 for the first line written since the port was opened
  std::string line;  // as written, without CR LF
  LineOwner owner;
  std::int64_t written_ms = 0;  // on the link's clock, once its last byte went out
};

class AnswerQueue {
 public:
  // A line about to be written; returns its number.
  long push(std::string line, LineOwner owner = {});
  // The line could not be written after all: it never counted as sent.
  void withdraw(long number);
  // The oldest line waiting, taken off; nothing when none waits.
  std::optional<AwaitedLine> settle();
  // Its last byte went out at `ms`: the no-answer limit runs from here.
  void mark_written(long number, std::int64_t ms);
  // The oldest line waiting, left in place.
  const AwaitedLine* oldest() const { return waiting_.empty() ? nullptr : &waiting_.front(); }
  // Every line waiting, taken off (the no-answer limit passed, or the link went).
  std::vector<AwaitedLine> give_up();
  bool empty() const { return waiting_.empty(); }
  // The last line written (number 0 and no text before the first).
  AwaitedLine last_sent() const { return last_; }
  // A new port: numbering starts again.
  void reset();

 private:
  std::deque<AwaitedLine> waiting_;
  AwaitedLine last_;
  AwaitedLine before_last_;
};

}  // namespace klvc
