// The telnet side of a serial port reached through RFC 2217 (a serial
// device server, ser2net's telnet(rfc2217)): the option negotiation, the
// COM-PORT-OPTION subset that sets the switcher's line (9600 baud, 8 data
// bits, even parity, 1 stop bit, XON/XOFF flow control) and reads it back, and the data stream with
// the telnet bytes taken out. Bytes in, bytes out; no I/O of its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace klvc {

class TelnetSession {
 public:
  TelnetSession();

  // What the client says first: binary and suppress-go-ahead both ways, and
  // that it will use the COM-PORT-OPTION. The line settings follow as soon
  // as the server agrees to the option.
  std::string opening();

  // Bytes from the server: returns the data among them (a doubled 0xFF is
  // one data byte); *reply gets what must be sent back (answers to the
  // server's negotiation, the line settings once it agrees).
  std::string receive(std::string_view bytes, std::string* reply);

  // Data to the server: 0xFF doubled, as telnet wants it.
  static std::string escape(std::string_view data);

  // The server answered all five line settings, or refused the option.
  bool settled() const { return refused_ || answered_ == kAllSettings; }
  // Empty when the server took 9600 8E1; else why not, for a message.
  std::string refusal() const;

 private:
  enum class State { Data, Command, Option, Sub, SubCommand };
  enum class Side { No, WantYes, Yes };
  struct OptionState {
    Side ours = Side::No;    // we WILL
    Side theirs = Side::No;  // they WILL
    bool refused_ours = false;
    bool refused_theirs = false;
  };
  static constexpr unsigned kAllSettings = 0x1F;  // one bit per setting answered

  void option(unsigned char verb, unsigned char opt, std::string* reply);
  // The other party asks for our side (DO, DONT) or theirs (WILL, WONT) of
  // `opt` on or off. side_on: true when that side has just turned on.
  bool side_on(unsigned char opt, bool ours, std::string* reply);
  void side_off(unsigned char opt, bool ours, std::string* reply);
  void sub_negotiation();
  bool wanted(unsigned char opt, bool ours) const;
  std::string line_settings() const;

  State state_ = State::Data;
  unsigned char verb_ = 0;
  std::string sub_;  // the current sub-negotiation's bytes, bounded
  OptionState options_[256];
  bool settings_sent_ = false;
  bool refused_ = false;  // the server will not do COM-PORT-OPTION
  unsigned answered_ = 0;
  std::uint32_t baud_ = 0;
  int data_size_ = 0;
  int parity_ = 0;
  int stop_size_ = 0;
  int control_ = 0;  // the flow control the server reports
};

}  // namespace klvc
