#include "sim/simulator.h"

#include <string_view>

namespace klvc {

namespace {

using State = Simulator::State;

struct Counts {
  int inputs, outputs, alarm_inputs, alarm_outputs;
};

constexpr int kAutoRoute = 70;  // "I70" hands the output to the automatic sequence

// Two ASCII digits at `pos` with a value in lo..hi; -1 otherwise.
int two_digits(std::string_view s, std::size_t pos, int lo, int hi) {
  if (pos + 2 > s.size()) return -1;
  char a = s[pos], b = s[pos + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
  int v = (a - '0') * 10 + (b - '0');
  return v >= lo && v <= hi ? v : -1;
}

// "ON" 1, "OF" 0, anything else -1.
int on_off(std::string_view s, std::size_t pos) {
  std::string_view v = s.substr(pos, 2);
  return v == "ON" ? 1 : v == "OF" ? 0 : -1;
}

// One letter out of two: `zero` gives 0, `one` gives 1, else -1.
int letter(std::string_view s, std::size_t pos, char zero, char one) {
  if (pos >= s.size()) return -1;
  return s[pos] == zero ? 0 : s[pos] == one ? 1 : -1;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool set_route(std::string_view b, State& s, const Counts& n) {
  int out = two_digits(b, 1, 1, n.outputs);
  if (out < 0 || b[3] != 'I') return false;
  int in = two_digits(b, 4, 0, 99);
  if (in == kAutoRoute) {
    s.output_routes[out - 1] = n.inputs;
    return true;
  }
  if (in < 1 || in > n.inputs) return false;
  s.output_routes[out - 1] = in - 1;
  return true;
}

bool set_title(std::string_view b, State& s, const Counts& n) {
  int ch = two_digits(b, 2, 1, n.inputs);
  if (ch < 0) return false;
  std::array<std::uint16_t, 16> codes{};
  for (int k = 0; k < 16; ++k) {
    unsigned code = 0;
    for (int d = 0; d < 4; ++d) {
      int v = hex_digit(b[4 + 4 * k + d]);
      if (v < 0) return false;
      code = code * 16 + static_cast<unsigned>(v);
    }
    // Both bytes of a JIS X 0208 code lie in 0x21..0x7E.
    unsigned hi = code >> 8, lo = code & 0xFF;
    if (hi < 0x21 || hi > 0x7E || lo < 0x21 || lo > 0x7E) return false;
    codes[k] = static_cast<std::uint16_t>(code);
  }
  s.titles[ch - 1] = codes;
  return true;
}

// An on/off flag of one input or output: its two digits at `At`, then ON or OF.
template <auto Field, int Counts::*Range, std::size_t At>
bool set_on_off(std::string_view b, State& s, const Counts& n) {
  int port = two_digits(b, At, 1, n.*Range), v = on_off(b, At + 2);
  if (port < 0 || v < 0) return false;
  (s.*Field)[port - 1] = v;
  return true;
}

bool set_sequence_live(std::string_view b, State& s, const Counts& n) {
  int out = two_digits(b, 3, 1, n.outputs), in = two_digits(b, 5, 1, n.inputs);
  int v = letter(b, 7, 'S', 'L');
  if (out < 0 || in < 0 || v < 0) return false;
  s.sequence_live[sequence_live_index(in - 1, out - 1)] = v;
  return true;
}

bool set_dwell_time(std::string_view b, State& s, const Counts& n) {
  int out = two_digits(b, 3, 1, n.outputs), secs = two_digits(b, 5, 1, 60);
  if (out < 0 || secs < 0) return false;
  s.dwell_times[out - 1] = secs - 1;
  return true;
}

// The clock fields: three letters and two digits in a range.
template <int State::Clock::*Field, int Lo, int Hi>
bool set_clock(std::string_view b, State& s, const Counts&) {
  int v = two_digits(b, 3, Lo, Hi);
  if (v < 0) return false;
  s.clock.*Field = v;
  return true;
}

bool adjust_clock(std::string_view, State& s, const Counts&) {
  ++s.clock.adjustments;
  return true;
}

bool set_hold_time(std::string_view b, State& s, const Counts&) {
  int secs = two_digits(b, 3, 1, 60);
  if (secs < 0) return false;
  s.alarm_hold_time = secs - 1;
  return true;
}

// AICM/AICB, ARON/AROF, BZON/BZOF, MNON/MNOF: the fourth letter.
template <int State::*Field, char Zero, char One>
bool set_letter_flag(std::string_view b, State& s, const Counts&) {
  int v = letter(b, 3, Zero, One);
  if (v < 0) return false;
  s.*Field = v;
  return true;
}

bool set_alarm_input(std::string_view b, State& s, const Counts& n) {
  int term = two_digits(b, 3, 1, n.alarm_inputs), ch = two_digits(b, 5, 1, n.inputs);
  if (term < 0 || ch < 0) return false;
  s.alarm_input_channels[term - 1] = ch - 1;
  return true;
}

bool set_alarm_output(std::string_view b, State& s, const Counts& n) {
  int ch = two_digits(b, 3, 1, n.inputs), term = two_digits(b, 5, 1, n.alarm_outputs);
  int v = on_off(b, 7);
  if (ch < 0 || term < 0 || v < 0) return false;
  s.alarm_outputs[alarm_output_index(ch - 1, term - 1)] = v;
  return true;
}

// PWMON/PWMOF, PWOON/PWOOF.
template <int State::*Field>
bool set_on_off(std::string_view b, State& s, const Counts&) {
  int v = on_off(b, 3);
  if (v < 0) return false;
  s.*Field = v;
  return true;
}

bool set_password(std::string_view b, State& s, const Counts&) {
  std::string_view pw = b.substr(3);
  for (char c : pw) {
    if (c <= 0x20 || c >= 0x7F) return false;
  }
  s.panel_password = std::string(pw);
  return true;
}

struct CommandForm {
  const char* prefix;
  std::size_t length;  // the whole body without CR LF
  bool (*apply)(std::string_view body, State& state, const Counts& counts);
};

// Every command the program sends. "O" comes last: it is the only one-letter
// prefix and no other command starts with it.
const CommandForm kCommands[] = {
    {"CA", 68, set_title},
    {"TCI", 7, set_on_off<&State::input_title_display, &Counts::inputs, 3>},
    {"TCO", 7, set_on_off<&State::output_title_display, &Counts::outputs, 3>},
    {"ASM", 8, set_sequence_live},
    {"AST", 7, set_dwell_time},
    {"DSY", 5, set_clock<&State::Clock::year, 0, 99>},
    {"DSM", 5, set_clock<&State::Clock::month, 1, 12>},
    {"DSD", 5, set_clock<&State::Clock::day, 1, 31>},
    {"TSH", 5, set_clock<&State::Clock::hour, 0, 23>},
    {"TSM", 5, set_clock<&State::Clock::minute, 0, 59>},
    {"TSS", 5, set_clock<&State::Clock::second, 0, 59>},
    {"TSA", 3, adjust_clock},
    {"TO", 6, set_on_off<&State::datetime_display, &Counts::outputs, 2>},
    {"ADT", 5, set_hold_time},
    {"AIC", 4, set_letter_flag<&State::alarm_polarity, 'M', 'B'>},
    {"ARO", 4, set_letter_flag<&State::alarm_return, 'F', 'N'>},
    {"BZO", 4, set_letter_flag<&State::buzzer_output, 'F', 'N'>},
    {"MNO", 4, set_letter_flag<&State::memory_number_display, 'F', 'N'>},
    {"AIS", 7, set_alarm_input},
    {"AMO", 9, set_alarm_output},
    {"PWM", 5, set_on_off<&State::password_menu>},
    {"PWO", 5, set_on_off<&State::password_operation>},
    {"PWI", 9, set_password},
    {"O", 6, set_route},
};

const std::string kGo = "GO\r\n";
const std::string kCommandError = "E3\r\n";

}  // namespace

Simulator::State::State() {
  for (auto& t : titles) t.fill(0x2121);
  input_title_display.fill(1);
  output_title_display.fill(1);
  datetime_display.fill(1);
  sequence_live.fill(1);
  dwell_times.fill(3);
  for (int o = 0; o < kMaxOutputs; ++o) output_routes[o] = o;
  for (int t = 0; t < kMaxAlarmInputTerminals; ++t) alarm_input_channels[t] = t;
}

bool Simulator::State::operator==(const State& o) const {
  return output_routes == o.output_routes && titles == o.titles &&
         input_title_display == o.input_title_display &&
         output_title_display == o.output_title_display && datetime_display == o.datetime_display &&
         sequence_live == o.sequence_live && dwell_times == o.dwell_times &&
         clock.year == o.clock.year && clock.month == o.clock.month && clock.day == o.clock.day &&
         clock.hour == o.clock.hour && clock.minute == o.clock.minute &&
         clock.second == o.clock.second && clock.adjustments == o.clock.adjustments &&
         alarm_hold_time == o.alarm_hold_time && alarm_polarity == o.alarm_polarity &&
         alarm_return == o.alarm_return && buzzer_output == o.buzzer_output &&
         memory_number_display == o.memory_number_display &&
         alarm_input_channels == o.alarm_input_channels && alarm_outputs == o.alarm_outputs &&
         password_menu == o.password_menu && password_operation == o.password_operation &&
         panel_password == o.panel_password;
}

Simulator::Simulator(int model_index)
    : model_(model_index >= 0 && model_index < kModelCount ? model_index : kModelCount - 1) {}

void Simulator::set_model(int model_index) {
  if (model_index >= 0 && model_index < kModelCount) model_ = model_index;
}

void Simulator::drop_partial_line() {
  partial_.clear();
  partial_size_ = 0;
}

void Simulator::set_rs485(bool on, int address) {
  rs485_ = on;
  address_ = address;
}

void Simulator::fail_command(int nth, std::string answer) {
  if (nth > 0) faults_[static_cast<std::size_t>(nth)] = std::move(answer);
}

void Simulator::set_silent(bool silent) { silent_ = silent; }

std::string Simulator::receive(const std::string& bytes) {
  std::string answers;
  for (char c : bytes) {
    if (partial_.size() < kMaxLine) partial_.push_back(c);
    ++partial_size_;
    if (c != '\n') continue;
    std::string line = std::move(partial_);
    bool cut = partial_size_ > line.size();
    partial_.clear();
    partial_size_ = 0;
    answers += answer_line(line, cut);
  }
  return answers;
}

std::string Simulator::answer_line(const std::string& raw, bool cut) {
  // Recorded without its CR LF (or bare LF), as the program sent it.
  std::string line = raw;
  bool crlf = !cut && line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0;
  if (!cut) line.resize(line.size() - (crlf ? 2 : 1));
  lines_.push_back(line);
  note_.clear();
  if (silent_) return {};

  std::string body = line;
  std::string prefix;
  if (rs485_) {
    int addr = body.size() >= 2 ? two_digits(body, 0, 0, 99) : -1;
    if (addr != address_) {
      note_ = addr < 0 ? "no unit address in front" : "for unit " + body.substr(0, 2) + ", not this one";
      return {};
    }
    prefix = body.substr(0, 2);
    body.erase(0, 2);
  }

  if (cut) note_ = "refused: longer than " + std::to_string(kMaxLine) + " bytes";
  else if (!crlf) note_ = "refused: LF without CR";
  auto fault = faults_.find(lines_.size());
  if (fault != faults_.end()) {
    if (fault->second == kGo && crlf) execute(body);
    note_ = "answer set by a fault (--fail)";
    return prefix + fault->second;
  }
  bool ok = crlf && execute(body);
  if (!ok && note_.empty()) note_ = "refused: not a command this model takes";
  return prefix + (ok ? kGo : kCommandError);
}

bool Simulator::execute(const std::string& body) {
  const Counts counts{input_count_for(model_), output_count_for(model_),
                      alarm_input_terminal_count_for(model_), alarm_output_terminal_count_for(model_)};
  std::string_view b = body;
  for (const CommandForm& form : kCommands) {
    std::string_view prefix = form.prefix;
    if (b.substr(0, prefix.size()) != prefix) continue;
    if (b.size() != form.length) return false;
    // Each form checks every field before it changes anything.
    return form.apply(b, state_, counts);
  }
  return false;
}

}  // namespace klvc
