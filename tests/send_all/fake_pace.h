// A clock for the send-all run that the test moves: each wait jumps to its
// deadline (plus `late_by`); a signal can be made to come at a given time.
#pragma once

#include <signal.h>

#include <algorithm>
#include <cstdint>
#include <functional>

#include "send_all/send_all.h"

namespace klvc::testing {

class FakePace : public SendAllPace {
 public:
  std::int64_t now = 5000;
  std::int64_t late_by = 0;        // every wake-up comes this much after its deadline
  std::int64_t interrupt_at = -1;  // the signal comes at this time
  int interrupt_signal = SIGINT;
  std::function<void()> on_wait;   // runs as each wait begins (answers coming meanwhile)
  std::int64_t now_ms() override { return now; }
  void wait_until(std::int64_t deadline) override {
    if (on_wait) on_wait();
    if (interrupt_at >= 0 && deadline >= interrupt_at && now < interrupt_at) {
      now = interrupt_at;  // the signal ends the sleep early
      return;
    }
    now = std::max(now, deadline + late_by);
  }
  int stop_signal() override { return interrupt_at >= 0 && now >= interrupt_at ? interrupt_signal : 0; }
};

}  // namespace klvc::testing
