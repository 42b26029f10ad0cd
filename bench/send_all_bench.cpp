// How closely a real send-all run keeps to its schedule: the whole KLV-A run
// against the simulated switcher behind a pseudo-terminal, on the real clock.
// Prints the measured time from the start to the last line, the scheduled
// time, their ratio (target: within 1 %), and how late the latest tick was.
// Takes about a minute and a half.
#include <cstdio>
#include <sstream>
#include <string>

#include "app/cli_send_all.h"
#include "dialogs/send_all_steps.h"
#include "link/link.h"
#include "link/messages.h"
#include "settings/store.h"
#include "sim/simulator.h"

namespace {

// Boxes would only disturb the figures; count them instead.
class QuietSink : public klvc::MessageSink {
 public:
  int boxes = 0;
  void post_box(klvc::BoxRequest) override { ++boxes; }
  void show_box(klvc::BoxRequest, std::function<void(klvc::BoxResult)> on_close) override {
    ++boxes;
    if (on_close) on_close(klvc::BoxResult::Ok);
  }
};

}  // namespace

int main() {
  using namespace klvc;
  constexpr int kModel = 0;  // KLV-A
  reset_whole_store();
  store().model_index = kModel;

  SimulatedPort port(kModel);
  std::string error;
  if (!port.start(&error)) {
    std::fprintf(stderr, "send_all_bench: cannot start the simulated switcher: %s\n", error.c_str());
    return 1;
  }
  QuietSink sink;
  set_message_sink(&sink);
  set_simulated_device(port.slave_path());
  open_port();
  if (!link_is_open()) {
    std::fprintf(stderr, "send_all_bench: the link did not open %s\n", port.slave_path().c_str());
    return 1;
  }
  start_reader();

  std::ostringstream progress;
  SendAllReporter reporter(progress, false, kModel);
  std::unique_ptr<SendAllPace> pace = monotonic_send_all_pace();
  // The product's own periods, whatever the environment says.
  const SendAllOutcome o =
      run_send_all_timed(*pace, reporter, {}, {kSendAllFastPeriodMs, kSendAllSlowPeriodMs});
  stop_link();
  set_simulated_device("");
  port.stop();
  set_message_sink(nullptr);

  const SendAllTotals totals = send_all_totals(kModel);
  // The schedule is the sum of the timer periods up to the last tick.
  const double scheduled = static_cast<double>(totals.scheduled_ms()) / 1000.0;
  const double measured = static_cast<double>(o.run_ms) / 1000.0;
  std::printf("model                 %s\n", model_name(kModel));
  std::printf("lines sent            %d (GO %d, other answers %d, boxes %d)\n", o.lines_sent,
              o.answers.go, o.answers.refused + o.answers.unexpected, sink.boxes);
  std::printf("scheduled             %.3f s\n", scheduled);
  std::printf("measured              %.3f s\n", measured);
  std::printf("measured / scheduled  %.5f (%+.3f %%)\n", measured / scheduled,
              (measured / scheduled - 1.0) * 100.0);
  std::printf("latest tick           %lld ms after its deadline\n",
              static_cast<long long>(o.max_late_ms));
  return send_all_exit_code(o);
}
