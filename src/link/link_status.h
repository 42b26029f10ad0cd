// A link's own flags (Link::status()): set by the link and the batches it
// serves, read by its reader thread and the screen's timers. Not settings and
// not selections.
#pragma once

#include <atomic>

namespace klvc {

struct LinkStatus {
  std::atomic<int> reader_running{0};
  std::atomic<int> no_connect_ticks{0};  // ticks a command has waited for its answer
  std::atomic<int> response_pending{0};  // a command awaits its answer
  std::atomic<int> batch_step{0};        // 0 idle, else where the running batch stands
  std::atomic<int> error_seen{0};        // an error answer or No Connect since the batch last looked

  // Claims the link for a batch (batch_step 0 -> 1); false while another runs.
  bool claim_batch() {
    int idle = 0;
    return batch_step.compare_exchange_strong(idle, 1);
  }
  // Ends the batch at once: batch_step and error_seen back to 0.
  void end_batch() {
    batch_step = 0;
    error_seen = 0;
  }
};

}  // namespace klvc
