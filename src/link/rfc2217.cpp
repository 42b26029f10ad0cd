#include "link/rfc2217.h"

namespace klvc {

namespace {

constexpr unsigned char kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250, kSe = 240;
constexpr unsigned char kBinary = 0, kSuppressGoAhead = 3, kComPort = 44;
// COM-PORT-OPTION commands; the server's answer to command n is n + 100.
constexpr unsigned char kSetBaud = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4, kSetControl = 5,
                        kServerBase = 100;
// SET-CONTROL's value for XON/XOFF flow control: the switcher's line uses it
// both ways, and through a server the XOFF must stop the server's output.
constexpr unsigned char kControlXonXoff = 2;
constexpr std::uint32_t kBaud = 9600;
constexpr int kDataSize = 8;
constexpr int kParityEven = 3;
constexpr int kStopOne = 1;
constexpr std::size_t kMostSubBytes = 64;  // longer sub-negotiations are cut: none of ours is

std::string command(unsigned char verb, unsigned char opt) {
  return std::string{static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(opt)};
}

std::string set_command(unsigned char cmd, const std::string& value) {
  return std::string{static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(kComPort),
                     static_cast<char>(cmd)} +
         TelnetSession::escape(value) + std::string{static_cast<char>(kIac), static_cast<char>(kSe)};
}

const char* parity_name(int p) {
  static const char* const kNames[] = {"(none given)", "NONE", "ODD", "EVEN", "MARK", "SPACE"};
  return p >= 0 && p <= 5 ? kNames[p] : "unknown";
}

const char* stop_name(int s) {
  return s == 1 ? "1" : s == 2 ? "2" : s == 3 ? "1.5" : "unknown";
}

}  // namespace

TelnetSession::TelnetSession() = default;

std::string TelnetSession::opening() {
  std::string out;
  for (unsigned char opt : {kBinary, kSuppressGoAhead}) {
    options_[opt].ours = Side::WantYes;
    options_[opt].theirs = Side::WantYes;
    out += command(kWill, opt) + command(kDo, opt);
  }
  options_[kComPort].ours = Side::WantYes;
  return out + command(kWill, kComPort);
}

std::string TelnetSession::escape(std::string_view data) {
  std::string out;
  out.reserve(data.size());
  for (char c : data) {
    out += c;
    if (static_cast<unsigned char>(c) == kIac) out += c;
  }
  return out;
}

bool TelnetSession::wanted(unsigned char opt, bool ours) const {
  return opt == kBinary || opt == kSuppressGoAhead || (ours && opt == kComPort);
}

std::string TelnetSession::line_settings() const {
  const std::string baud{static_cast<char>(kBaud >> 24), static_cast<char>((kBaud >> 16) & 0xFF),
                         static_cast<char>((kBaud >> 8) & 0xFF), static_cast<char>(kBaud & 0xFF)};
  return set_command(kSetBaud, baud) + set_command(kSetDataSize, std::string(1, kDataSize)) +
         set_command(kSetParity, std::string(1, kParityEven)) + set_command(kSetStopSize, std::string(1, kStopOne)) +
         set_command(kSetControl, std::string(1, static_cast<char>(kControlXonXoff)));
}

// Each side of an option changes only on a request that changes it, and a
// refusal is said once, so two parties never answer each other for ever.
// Agreement is said only when that side was off: a side we asked for
// (WantYes) needs no answer.
bool TelnetSession::side_on(unsigned char opt, bool ours, std::string* reply) {
  OptionState& st = options_[opt];
  Side& side = ours ? st.ours : st.theirs;
  if (!wanted(opt, ours)) {
    bool& refused = ours ? st.refused_ours : st.refused_theirs;
    if (!refused) *reply += command(ours ? kWont : kDont, opt);
    refused = true;
    return false;
  }
  if (side == Side::Yes) return false;
  if (side == Side::No) *reply += command(ours ? kWill : kDo, opt);
  side = Side::Yes;
  return true;
}

void TelnetSession::side_off(unsigned char opt, bool ours, std::string* reply) {
  Side& side = ours ? options_[opt].ours : options_[opt].theirs;
  if (side == Side::Yes) *reply += command(ours ? kWont : kDont, opt);
  side = Side::No;
}

void TelnetSession::option(unsigned char verb, unsigned char opt, std::string* reply) {
  switch (verb) {
    case kWill: side_on(opt, false, reply); break;
    case kWont: side_off(opt, false, reply); break;
    case kDo:
      if (side_on(opt, true, reply) && opt == kComPort && !settings_sent_) {
        *reply += line_settings();
        settings_sent_ = true;
      }
      break;
    case kDont:
      if (opt == kComPort) refused_ = true;
      side_off(opt, true, reply);
      break;
    default:
      break;
  }
}

void TelnetSession::sub_negotiation() {
  if (sub_.size() < 3 || static_cast<unsigned char>(sub_[0]) != kComPort) return;
  const unsigned char cmd = static_cast<unsigned char>(sub_[1]);
  const std::string value = sub_.substr(2);
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(value[i]); };
  if (cmd == kServerBase + kSetBaud && value.size() == 4) {
    baud_ = (std::uint32_t{byte(0)} << 24) | (std::uint32_t{byte(1)} << 16) | (std::uint32_t{byte(2)} << 8) | byte(3);
    answered_ |= 1;
  } else if (cmd == kServerBase + kSetDataSize) {
    data_size_ = byte(0);
    answered_ |= 2;
  } else if (cmd == kServerBase + kSetParity) {
    parity_ = byte(0);
    answered_ |= 4;
  } else if (cmd == kServerBase + kSetStopSize) {
    stop_size_ = byte(0);
    answered_ |= 8;
  } else if (cmd == kServerBase + kSetControl && (answered_ & 0x10) == 0) {
    // The first answer is to our request; later ones are other settings' notices.
    control_ = byte(0);
    answered_ |= 0x10;
  }
  // Modem and line state notices and the signature: not needed.
}

std::string TelnetSession::receive(std::string_view bytes, std::string* reply) {
  std::string data;
  for (char ch : bytes) {
    const unsigned char b = static_cast<unsigned char>(ch);
    switch (state_) {
      case State::Data:
        if (b == kIac) {
          state_ = State::Command;
        } else {
          data += ch;
        }
        break;
      case State::Command:
        state_ = State::Data;
        if (b == kIac) {
          data += ch;
        } else if (b == kWill || b == kWont || b == kDo || b == kDont) {
          verb_ = b;
          state_ = State::Option;
        } else if (b == kSb) {
          sub_.clear();
          state_ = State::Sub;
        }
        break;  // NOP, go-ahead, data mark and the like carry nothing for us
      case State::Option:
        option(verb_, b, reply);
        state_ = State::Data;
        break;
      case State::Sub:
        if (b == kIac) {
          state_ = State::SubCommand;
        } else if (sub_.size() < kMostSubBytes) {
          sub_ += ch;
        }
        break;
      case State::SubCommand:
        if (b == kIac) {
          if (sub_.size() < kMostSubBytes) sub_ += ch;
          state_ = State::Sub;
        } else {
          if (b == kSe) sub_negotiation();
          state_ = State::Data;
        }
        break;
    }
  }
  return data;
}

std::string TelnetSession::refusal() const {
  if (refused_) {
    return "the server does not offer the COM-PORT-OPTION of RFC 2217, so the line cannot be set to "
           "9600 baud 8E1 (for a plain TCP port use tcp:HOST:PORT)";
  }
  if (answered_ != kAllSettings) {
    return "the server did not answer the line settings (9600 baud 8E1, XON/XOFF flow control)";
  }
  std::string differ;
  auto add = [&](const std::string& what) { differ += (differ.empty() ? "" : ", ") + what; };
  if (baud_ != kBaud) add("baud " + std::to_string(baud_));
  if (data_size_ != kDataSize) add("data size " + std::to_string(data_size_));
  if (parity_ != kParityEven) add(std::string("parity ") + parity_name(parity_));
  if (stop_size_ != kStopOne) add(std::string("stop bits ") + stop_name(stop_size_));
  if (control_ != kControlXonXoff) add("flow control " + std::to_string(control_) + " (XON/XOFF is 2)");
  if (differ.empty()) return {};
  return "the server did not take 9600 baud 8E1 with XON/XOFF flow control: it reports " + differ;
}

}  // namespace klvc
