// Figures of the device link against the simulated switcher on a
// pseudo-terminal: the round trip of one command and its answer, the
// reader's CPU time while idle and while waiting for a vanished device, and
// how long stop_link takes. Real time; not run by the tests.
#include <dirent.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "link/link.h"
#include "link/messages.h"
#include "sim/simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

class CountingSink : public klvc::MessageSink {
 public:
  void post_box(klvc::BoxRequest) override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++count_;
    changed_.notify_all();
  }
  void show_box(klvc::BoxRequest, std::function<void(klvc::BoxResult)> on_close) override {
    if (on_close) on_close(klvc::BoxResult::Ok);
  }
  bool wait_for(int count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return count_ >= count; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int count_ = 0;
};

std::set<int> thread_ids() {
  std::set<int> ids;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') ids.insert(std::atoi(e->d_name));
    }
    closedir(d);
  }
  return ids;
}

// Nanoseconds the thread has run on a CPU.
long long cpu_ns(int tid) {
  std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/schedstat");
  long long ns = -1;
  in >> ns;
  return ns;
}

double median_ms(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double ms_since(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  int idle_seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  CountingSink sink;
  klvc::set_message_sink(&sink);

  klvc::SimulatedPort port(4, klvc::SimPace::Instant);  // the link's own time, not the line's
  std::string error;
  std::string link_path = "/tmp/klvc-bench-" + std::to_string(getpid());
  if (!port.start(&error) || !port.set_link_path(link_path, &error)) {
    std::fprintf(stderr, "link_bench: %s\n", error.c_str());
    return 1;
  }
  klvc::Link link;
  klvc::LinkSetup setup;
  setup.device = link_path;
  std::set<int> before = thread_ids();
  link.open(setup);
  link.start_reader();
  if (!link.is_open()) {
    std::fprintf(stderr, "link_bench: the link did not open\n");
    return 1;
  }
  int reader_tid = -1;
  for (int id : thread_ids()) {
    if (!before.count(id)) reader_tid = id;
  }

  // Round trip: send_command until handle_response has posted the box.
  std::vector<double> trips;
  int boxes = 0;
  for (int i = 0; i < 200; ++i) {
    auto t0 = Clock::now();
    link.send_command(i % 2 ? "BZON\r\n" : "BZOF\r\n");
    if (!sink.wait_for(++boxes)) {
      std::fprintf(stderr, "link_bench: no answer to command %d\n", i + 1);
      return 1;
    }
    trips.push_back(ms_since(t0));
  }
  std::printf("round trip, command to answer handled (median of %zu): %.3f ms\n", trips.size(),
              median_ms(trips));

  long long c0 = cpu_ns(reader_tid);
  std::this_thread::sleep_for(std::chrono::seconds(idle_seconds));
  long long c1 = cpu_ns(reader_tid);
  std::printf("reader CPU time over %d idle seconds: %.3f ms (target under 10 ms)\n", idle_seconds,
              (c1 - c0) / 1e6);

  port.hang_up();
  while (link.state() != klvc::LinkState::WaitingForDevice) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  c0 = cpu_ns(reader_tid);
  std::this_thread::sleep_for(std::chrono::seconds(5));
  c1 = cpu_ns(reader_tid);
  std::printf("reader CPU time over 5 s waiting for the device: %.3f ms\n", (c1 - c0) / 1e6);
  if (!port.resume(&error)) {
    std::fprintf(stderr, "link_bench: %s\n", error.c_str());
    return 1;
  }
  auto t_back = Clock::now();
  while (!link.is_open()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::printf("reconnected after the device came back: %.0f ms (retry about once a second)\n",
              ms_since(t_back));

  std::vector<double> stops;
  for (int i = 0; i < 20; ++i) {
    if (i > 0) {
      link.open(setup);
      link.start_reader();
    }
    auto t0 = Clock::now();
    link.stop();
    stops.push_back(ms_since(t0));
  }
  std::printf("stop_link, reader woken and joined (median of %zu): %.3f ms (max %.3f ms)\n",
              stops.size(), median_ms(stops), *std::max_element(stops.begin(), stops.end()));

  port.set_link_path("", &error);
  port.stop();
  klvc::set_message_sink(nullptr);
  return 0;
}
