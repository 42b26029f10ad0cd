// A stand-in for the switcher: it speaks the command protocol, keeps the
// state the commands set, and can be told to misbehave.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "settings/models.h"

namespace klvc {

class Simulator {  // pure protocol engine, no I/O
 public:
  // Every setting the commands carry, in the settings store's own units and
  // index orders, so a test can compare it field by field with the store
  // after sending every setting. A fresh simulator holds the store's
  // defaults (titles blank).
  struct State {
    // O: input index per output, or input_count of the model for "Auto" (I70).
    std::array<int, kMaxOutputs> output_routes{};
    // CA: 16 JIS X 0208 codes per channel; 0x2121 is the full-width space.
    std::array<std::array<std::uint16_t, 16>, kMaxInputs> titles{};
    std::array<int, kMaxInputs> input_title_display{};    // TCI: 0 OFF, 1 ON
    std::array<int, kMaxOutputs> output_title_display{};  // TCO
    std::array<int, kMaxOutputs> datetime_display{};      // TO
    std::array<int, kMaxInputs * kMaxOutputs> sequence_live{};  // ASM: [input * 16 + output], 0 SKIP 1 LIVE
    std::array<int, kMaxOutputs> dwell_times{};           // AST: seconds - 1 (list index)
    struct Clock {
      int year = 0;    // DSY: 0..99 (years after 2000)
      int month = 1;   // DSM: 1..12
      int day = 1;     // DSD: 1..31
      int hour = 0;    // TSH: 0..23
      int minute = 0;  // TSM: 0..59
      int second = 0;  // TSS: 0..59
      int adjustments = 0;  // TSA commands received
    } clock;
    int alarm_hold_time = 9;        // ADT: seconds - 1 (list index)
    int alarm_polarity = 0;         // AICM 0 (MAKE), AICB 1 (BREAK)
    int alarm_return = 0;           // AROF / ARON
    int buzzer_output = 0;          // BZOF / BZON
    int memory_number_display = 0;  // MNOF / MNON
    std::array<int, kMaxAlarmInputTerminals> alarm_input_channels{};  // AIS: channel index per terminal
    std::array<int, kMaxInputs * kMaxAlarmOutputTerminals> alarm_outputs{};  // AMO: [channel * 4 + terminal]
    int password_menu = 0;          // PWMOF / PWMON
    int password_operation = 0;     // PWOOF / PWOON
    std::string panel_password = "573920";  // PWI

    State();
    bool operator==(const State& other) const;
    bool operator!=(const State& other) const { return !(*this == other); }
  };

  // The model (0..4) fixes which output, input and terminal numbers exist;
  // by default the largest, which accepts every number the program sends.
  explicit Simulator(int model_index = 4);

  // Bytes from the program; returns the answer bytes ("GO\r\n" for a valid
  // line, "E3\r\n" for an unknown or malformed one; on RS-485 behind the two
  // address digits). A line ends in CR LF; a partial line waits for the rest.
  std::string receive(const std::string& bytes);

  const State& state() const { return state_; }
  int model() const { return model_; }
  // A unit set up for another model (0..4) from now on; its state stays.
  void set_model(int model_index);
  // Every complete line received, without CR LF, prefix kept (lines longer
  // than kMaxLine are kept cut).
  const std::vector<std::string>& lines() const { return lines_; }

  // What became of the last complete line when it was not simply executed:
  // "refused: LF without CR", "for unit 05, not this one", ...; empty otherwise.
  const std::string& last_note() const { return note_; }
  // The client closed the port: the unfinished line is dropped, so it cannot
  // join the next client's first command.
  void drop_partial_line();

  // RS-485: answers carry the two-digit address in front; lines for other
  // addresses are recorded but neither answered nor executed.
  void set_rs485(bool on, int address);
  bool rs485() const { return rs485_; }
  int address() const { return address_; }
  // The nth complete line received (1-based, counting every line) gets
  // `answer` instead (e.g. "E3\r\n") and is not executed unless the answer is "GO\r\n".
  void fail_command(int nth, std::string answer);
  // Switched off: lines are recorded, nothing is executed or answered.
  void set_silent(bool silent);
  bool silent() const { return silent_; }
  // Back to a fresh simulator's state; lines, faults and mode stay.
  void reset_state() { state_ = State(); }

  static constexpr std::size_t kMaxLine = 256;

 private:
  std::string answer_line(const std::string& line, bool cut);
  bool execute(const std::string& body);

  int model_;
  State state_;
  std::vector<std::string> lines_;
  std::string partial_;
  std::size_t partial_size_ = 0;
  std::string note_;
  bool rs485_ = false;
  int address_ = 0;
  bool silent_ = false;
  std::map<std::size_t, std::string> faults_;
};

// One line as the simulated switcher saw it, for a trace: the line (without
// CR LF), the answer given (empty: none) and a note when something was off.
// A note with an empty line concerns no line (an answer that had to be dropped).
struct SimTrace {
  std::string raw;   // the bytes as they came, line end included
  std::string line;
  std::string answer;
  std::string note;
};

// Runs a Simulator behind a pseudo-terminal on its own thread (for `klvc --simulate` and end-to-end
// tests): slave_path() is the device the link opens, through the same termios
// path as real hardware. On RS-485 several units may share the bus, each with
// its own state, each answering only its own address.
// How fast the simulated switcher's line is: as a real 9600 baud line (each
// character 11/9600 s each way), or instant for tests that need speed.
enum class SimPace { LineTime, Instant };

class SimulatedPort {
 public:
  explicit SimulatedPort(int model_index = 4, SimPace pace = SimPace::LineTime);
  ~SimulatedPort();
  SimulatedPort(const SimulatedPort&) = delete;
  SimulatedPort& operator=(const SimulatedPort&) = delete;

  // Creates the pseudo-terminal and starts answering.
  bool start(std::string* error);
  // Stops the thread and closes the pseudo-terminal (the link sees a hang-up).
  void stop();
  bool running() const;
  std::string slave_path() const;

  // Direct access to the first unit: only while stopped. While running, use
  // with_simulator or the copies below.
  Simulator& simulator() { return units_.front(); }
  template <typename F>
  auto with_simulator(F&& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    return f(units_.front());
  }
  // Another unit on the same RS-485 bus at `address`, of the first unit's
  // model (only while stopped).
  Simulator& add_unit(int address);
  Simulator::State state(std::size_t unit = 0) const;
  std::vector<std::string> lines() const;
  // Waits (on a condition, not a sleep) until at least `count` lines were
  // received; false after `timeout_ms`.
  bool wait_for_lines(std::size_t count, int timeout_ms) const;

  // Misbehaviour: answers go out `ms` late; raw bytes (garbage, overlong
  // lines, an answer in pieces) go out now.
  void set_answer_delay_ms(int ms);
  void send_raw(const std::string& bytes);
  // The device vanishes (pseudo-terminal closed) and comes back as a new
  // pseudo-terminal; the link path, when set, follows it.
  void hang_up() { stop(); }
  bool resume(std::string* error) { return start(error); }
  // Makes a symbolic link at `path` to the current slave device, so a
  // program can be given one stable path. The path must not exist: nothing
  // this port did not create is ever replaced or removed. While stopped the
  // link is gone (no program can reach another pseudo-terminal through it).
  // Empty removes it.
  bool set_link_path(const std::string& path, std::string* error);

  // Called on the port's thread for each line received, e.g. to print the traffic.
  void set_observer(std::function<void(const SimTrace&)> observer);

  // Answers waiting for a client that does not read are kept up to this
  // many bytes; beyond, an answer is dropped with a note in the trace.
  static constexpr std::size_t kMaxQueuedAnswerBytes = 16384;

 private:
  struct Impl;
  void run();
  void take_input(const char* data, std::size_t size);
  void handle_input(const char* data, std::size_t size, std::int64_t at_ns);
  std::int64_t run_due();
  void queue_answer(const std::string& bytes);
  void flush_answers();
  bool make_link(std::string* error);
  void remove_link();

  mutable std::mutex mutex_;  // guards units_ and the fields below
  mutable std::condition_variable lines_changed_;
  std::vector<Simulator> units_;
  std::unique_ptr<Impl> impl_;
  std::string slave_path_;
  std::string link_path_;
  std::string link_target_;  // what the link we made points to; empty: none made
  int delay_ms_ = 0;
  std::function<void(const SimTrace&)> observer_;
};

// The built-in simulated switcher set up as the program's setup says: model,
// interface (RS-485 or not) and unit address, as a real unit is set up on
// its own front panel to match.
void follow_program_setup(SimulatedPort& port, int model, bool rs485, int address);

}  // namespace klvc
