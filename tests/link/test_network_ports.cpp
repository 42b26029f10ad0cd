// Serial ports over the network: their names, and the telnet side of RFC
// 2217 as bytes in and out (the server's bytes written here by hand).
#include <gtest/gtest.h>

#include <string>

#include "link/net_port.h"
#include "link/rfc2217.h"

namespace klvc {
namespace {

std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// IAC = 255, SB 250, SE 240, WILL 251, WONT 252, DO 253, DONT 254;
// options: binary 0, echo 1, suppress go-ahead 3, COM-PORT-OPTION 44.
std::string sb_reply(int command, std::initializer_list<int> value) {
  std::string s = bytes({255, 250, 44, command});
  for (int v : value) s += static_cast<char>(v);
  return s + bytes({255, 240});
}

TEST(NetworkPortNames, AreReadAsProtocolHostAndPort) {
  struct Case {
    const char* name;
    bool ok;
    bool rfc2217;
    const char* host;
    const char* port;
  };
  const Case cases[] = {
      {"tcp:10.0.0.7:4001", true, false, "10.0.0.7", "4001"},
      {"rfc2217:room-3.local:2217", true, true, "room-3.local", "2217"},
      {"tcp:[::1]:7000", true, false, "::1", "7000"},
      {"tcp:host", false, false, "", ""},
      {"tcp::4001", false, false, "", ""},
      {"rfc2217:host:0", false, false, "", ""},
      {"tcp:host:65536", false, false, "", ""},
      {"tcp:host:40x1", false, false, "", ""},
  };
  for (const Case& c : cases) {
    NetAddress a;
    std::string error;
    EXPECT_EQ(parse_network_port(c.name, &a, &error), c.ok) << c.name;
    if (!c.ok) {
      EXPECT_NE(error.find("HOST:PORT"), std::string::npos) << error;
      continue;
    }
    EXPECT_EQ(a.rfc2217, c.rfc2217) << c.name;
    EXPECT_EQ(a.host, c.host) << c.name;
    EXPECT_EQ(a.port, c.port) << c.name;
  }
  EXPECT_TRUE(is_network_port("rfc2217:x:1"));
  EXPECT_FALSE(is_network_port("/dev/ttyUSB0"));
}

TEST(TelnetSession, SetsTheLineOnceTheServerTakesTheOptionAndReadsItBack) {
  TelnetSession t;
  EXPECT_EQ(t.opening(), bytes({255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 251, 44}));
  // The server's greeting, cut in the middle of a command: it offers echo
  // (refused once), agrees to the rest and asks for the COM-PORT-OPTION.
  std::string reply;
  EXPECT_EQ(t.receive(bytes({255, 251, 1, 255, 253}), &reply), "");
  EXPECT_EQ(reply, bytes({255, 254, 1}));
  reply.clear();
  EXPECT_EQ(t.receive(bytes({44, 255, 251, 0, 255, 253, 0, 255, 251, 1}), &reply), "");
  // 9600 = 00 00 25 80; 8 data bits; parity 3 (even); 1 stop bit; XON/XOFF (control 2).
  EXPECT_EQ(reply, sb_reply(1, {0, 0, 0x25, 0x80}) + sb_reply(2, {8}) + sb_reply(3, {3}) + sb_reply(4, {1}) +
                       sb_reply(5, {2}));
  EXPECT_FALSE(t.settled());
  reply.clear();
  t.receive(sb_reply(101, {0, 0, 0x25, 0x80}) + sb_reply(102, {8}) + sb_reply(107, {0x30}) + sb_reply(103, {3}) +
                sb_reply(104, {1}) + sb_reply(105, {2}),
            &reply);
  EXPECT_EQ(reply, "");
  EXPECT_TRUE(t.settled());
  EXPECT_EQ(t.refusal(), "");
  // Data after: a doubled 255 is one data byte; telnet commands are taken out.
  EXPECT_EQ(t.receive("GO\r" + bytes({255, 241, 255, 255}) + "\n", &reply), "GO\r" + bytes({255}) + "\n");
  EXPECT_EQ(TelnetSession::escape("A" + bytes({255}) + "B"), "A" + bytes({255, 255}) + "B");
}

TEST(TelnetSession, RefusesAServerThatDoesNotTakeTheLineSettings) {
  const std::pair<std::string, std::string> cases[] = {
      {bytes({255, 254, 44}), "does not offer the COM-PORT-OPTION"},
      {bytes({255, 253, 44}) + sb_reply(101, {0, 0, 0x4B, 0}) + sb_reply(102, {8}) + sb_reply(103, {1}) +
           sb_reply(104, {1}) + sb_reply(105, {2}),
       "it reports baud 19200, parity NONE"},
      {bytes({255, 253, 44}) + sb_reply(101, {0, 0, 0x25, 0x80}) + sb_reply(102, {8}) + sb_reply(103, {3}) +
           sb_reply(104, {1}) + sb_reply(105, {1}),
       "it reports flow control 1 (XON/XOFF is 2)"},
      {bytes({255, 253, 44}) + sb_reply(101, {0, 0, 0x25, 0x80}), "did not answer the line settings"},
  };
  for (const auto& [server, why] : cases) {
    TelnetSession t;
    t.opening();
    std::string reply;
    t.receive(server, &reply);
    EXPECT_NE(t.refusal().find(why), std::string::npos) << t.refusal();
  }
}

}  // namespace
}  // namespace klvc
