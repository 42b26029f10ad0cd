// Routes a link's lines straight into a simulated switcher and its answers
// back, on the calling thread, for as long as it lives.
#pragma once

#include <string>

#include "link/link.h"
#include "sim/simulator.h"

namespace klvc::testing {

class DirectAttachment {
 public:
  DirectAttachment(Link& link, Simulator& sim) : link_(link) {
    link.set_direct_line([&link, &sim](const std::string& bytes) {
      const std::string answer = sim.receive(bytes);
      if (!answer.empty()) link.feed_received(answer.data(), answer.size());
    });
  }
  ~DirectAttachment() { link_.set_direct_line({}); }
  DirectAttachment(const DirectAttachment&) = delete;
  DirectAttachment& operator=(const DirectAttachment&) = delete;

 private:
  Link& link_;
};

}  // namespace klvc::testing
