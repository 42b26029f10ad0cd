// A whole send-all run against the simulated switcher taking the line's own
// time (each character 11/9600 s each way), on the real clock, for KLV-A and
// KLV-E: the acknowledged pace against the line-rate bound (every character
// of every line and of its "GO" answer back to back; target: within 1.3 times
// it), and the timed pace beside it. The timed runs take about 91 and 155 s;
// --ack-only leaves them out.
#include <cstdio>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>

#include "app/cli_send_all.h"
#include "link/link.h"
#include "link/messages.h"
#include "link/protocol.h"
#include "settings/store.h"
#include "sim/line_time.h"
#include "sim/simulator.h"

namespace {

using namespace klvc;

// Boxes would only disturb the figures; count them instead.
class QuietSink : public MessageSink {
 public:
  int boxes = 0;
  void post_box(BoxRequest) override { ++boxes; }
  void show_box(BoxRequest, std::function<void(klvc::BoxResult)> on_close) override {
    ++boxes;
    if (on_close) on_close(klvc::BoxResult::Ok);
  }
};

struct Run {
  SendAllOutcome outcome;
  bool ok = false;
};

Run run(int model, PaceMode mode) {
  Run r;
  reset_whole_store();
  store().model_index = model;
  SimulatedPort port(model, SimPace::LineTime);
  std::string error;
  if (!port.start(&error)) {
    std::fprintf(stderr, "send_all_bench: cannot start the simulated switcher: %s\n", error.c_str());
    return r;
  }
  QuietSink sink;
  set_message_sink(&sink);
  set_simulated_device(port.slave_path());
  open_port();
  start_reader();
  std::ostringstream progress;
  SendAllReporter reporter(progress, false, model);
  std::string why;
  std::unique_ptr<SendAllPace> pace = monotonic_send_all_pace(&why);
  if (!pace) throw std::runtime_error(why);
  std::vector<SendAllScriptTick> ticks = send_all_script(store(), model);  // the product's own periods
  r.outcome = run_send_all(ticks, mode, *pace, reporter);
  stop_link();
  set_simulated_device("");
  port.stop();
  set_message_sink(nullptr);
  r.ok = send_all_exit_code(r.outcome) == kExitOk;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const bool ack_only = argc > 1 && std::strcmp(argv[1], "--ack-only") == 0;
  std::printf("%-6s %6s %9s %10s %8s %9s %9s %10s\n", "model", "lines", "chars out", "chars back", "bound",
              "ack", "ack/bound", "timed");
  int status = 0;
  for (int model : {0, 4}) {
    reset_whole_store();
    std::size_t out = 0, back = 0, lines = 0;
    for (const SendAllScriptTick& t : send_all_script(store(), model)) {
      if (t.line.empty()) continue;
      ++lines;
      out += t.line.size();
      back += 4;  // "GO" CR LF
    }
    const double bound = static_cast<double>(LineTime::ns_for(out + back)) / 1e9;
    const Run ack = run(model, PaceMode::Ack);
    const double ack_s = static_cast<double>(ack.outcome.answered_ms) / 1000.0;
    std::string timed = "-";
    if (!ack_only) {
      const Run t = run(model, PaceMode::Timed);
      timed = std::to_string(static_cast<double>(t.outcome.answered_ms) / 1000.0).substr(0, 6) + " s";
      if (!t.ok) status = 1;
    }
    if (!ack.ok) status = 1;
    std::printf("%-6s %6zu %9zu %10zu %6.1f s %7.2f s %9.3f %10s\n", model_name(model), lines, out, back, bound, ack_s,
                ack_s / bound, timed.c_str());
  }
  std::printf("(wall times from the start to the last answer; ack/bound target: 1.3 or less)\n");
  return status;
}
