// Routes the link's lines straight into a simulated switcher and its answers
// back, on the calling thread, for as long as it lives.
#pragma once

#include <string>

#include "link/link.h"
#include "sim/simulator.h"

namespace klvc::testing {

class DirectAttachment {
 public:
  explicit DirectAttachment(Simulator& sim) {
    set_direct_line([&sim](const std::string& bytes) {
      const std::string answer = sim.receive(bytes);
      if (!answer.empty()) feed_received(answer.data(), answer.size());
    });
  }
  ~DirectAttachment() { set_direct_line({}); }
  DirectAttachment(const DirectAttachment&) = delete;
  DirectAttachment& operator=(const DirectAttachment&) = delete;
};

}  // namespace klvc::testing
