// Time to read and to write one settings file: the median of many runs,
// for the bytes alone and for the whole trip through the disk.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "settings/store.h"

namespace {

double median_us(int runs, const std::function<void()>& step) {
  std::vector<double> times;
  times.reserve(runs);
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    step();
    times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void fill_settings(klvc::SwitcherSettings& s) {
  klvc::reset_to_defaults(s);
  for (int c = 0; c < klvc::kMaxInputs; ++c) {
    s.channel_titles[c].clear();
    for (int k = 0; k < 16; ++k) s.channel_titles[c] += "\x88\x9F";  // 16 full-width characters
  }
  for (int i = 0; i < klvc::kMaxInputs * klvc::kMaxOutputs; ++i) s.sequence_live[i] = i % 2;
}

}  // namespace

int main() {
  klvc::SwitcherSettings s;
  fill_settings(s);
  constexpr int kModel = 0;
  std::string bytes;
  std::string error;
  if (!klvc::settings_file_text(s, kModel, &bytes, &error)) {
    std::fprintf(stderr, "settings_file_bench: %s\n", error.c_str());
    return 1;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/klvc-bench-" + std::to_string(getpid()) + ".dat";

  double build = median_us(2000, [&] { klvc::settings_file_text(s, kModel, &bytes, &error); });
  double parse = median_us(2000, [&] { klvc::read_settings_text(s, kModel, bytes); });
  double save = median_us(200, [&] {
    if (!klvc::write_settings_file(klvc::system_disk(), s, kModel, path, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
    }
  });
  double open = median_us(2000, [&] {
    klvc::ReadResult result;
    if (!klvc::read_settings_file(s, kModel, path, &result, &error)) std::fprintf(stderr, "%s\n", error.c_str());
  });
  unlink(path.c_str());

  std::printf("settings file of %zu bytes, median of many runs (target: under 1000 us each)\n", bytes.size());
  std::printf("  write, bytes only:                     %8.1f us\n", build);
  std::printf("  write, save to disk (fsync + rename):  %8.1f us\n", save);
  std::printf("  read, bytes only:                      %8.1f us\n", parse);
  std::printf("  read, open and load from disk:         %8.1f us\n", open);
  return 0;
}
