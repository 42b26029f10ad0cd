// A switcher of the test's own, on a pseudo-terminal pair the test made:
// klvc opens the slave side like any serial device; this side reads each
// line and answers it as the script says, or misbehaves.
#pragma once

#include <termios.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace klvc::testing {

class ScriptedSwitcher {
 public:
  // What the switcher does on receiving its nth line (1-based).
  struct Reply {
    std::string answer;        // written at once (empty: no answer)
    int late_ms = 0;           // or this much later
    bool byte_by_byte = false; // one write per byte
    enum class Then { Nothing, HoldWithXoff, HangUp, Vanish } then = Then::Nothing;
  };
  using Script = std::function<Reply(int n, const std::string& line)>;

  explicit ScriptedSwitcher(Script script);
  ~ScriptedSwitcher();
  ScriptedSwitcher(const ScriptedSwitcher&) = delete;
  ScriptedSwitcher& operator=(const ScriptedSwitcher&) = delete;

  // Makes the pair (the slave open to anyone, raw, at `speed`) and starts answering.
  bool start(std::string* error, speed_t speed = B38400);
  const std::string& path() const { return path_; }
  // The settings of the slave side now, as the switcher's own descriptor sees them.
  termios modes() const;
  // Every complete line received, without CR LF.
  std::vector<std::string> lines() const;

 private:
  void run();
  void take(const char* data, std::size_t size);
  void drain();  // takes what is still on its way, until the line is quiet
  void write_answer(const Reply& reply);

  Script script_;
  int master_ = -1;
  int slave_ = -1;  // keeps the terminal's settings while klvc has it closed
  int wake_ = -1;
  bool gone_ = false;
  std::string path_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::string partial_;
  std::vector<std::pair<long long, std::string>> late_;  // due, bytes
};

}  // namespace klvc::testing
