#include <gtest/gtest.h>

#include <cstring>

#include "link/termios_settings.h"

namespace klvc {
namespace {

termios all_flags_set() {
  termios t;
  std::memset(&t, 0xFF, sizeof t);
  return t;
}

termios all_flags_clear() {
  termios t;
  std::memset(&t, 0, sizeof t);
  return t;
}

TEST(LineSettings, FrameIsEightDataBitsEvenParityOneStopBit) {
  for (const termios& from : {all_flags_set(), all_flags_clear()}) {
    termios t = make_line_settings(from);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(t.c_cflag & PARENB);
    EXPECT_FALSE(t.c_cflag & PARODD) << "odd parity";
    EXPECT_FALSE(t.c_cflag & CMSPAR) << "mark/space parity";
    EXPECT_FALSE(t.c_cflag & CSTOPB) << "two stop bits";
    EXPECT_TRUE(t.c_cflag & CREAD);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
  }
}

TEST(LineSettings, HandshakeIsRtsCtsInControlFlagsAndXonXoffBothWays) {
  termios t = make_line_settings(all_flags_clear());
  EXPECT_TRUE(t.c_cflag & CRTSCTS);
  EXPECT_TRUE(t.c_iflag & IXON);
  EXPECT_TRUE(t.c_iflag & IXOFF);
  EXPECT_EQ(t.c_cc[VSTART], 0x11);
  EXPECT_EQ(t.c_cc[VSTOP], 0x13);
  EXPECT_FALSE(make_line_settings(all_flags_set()).c_iflag & IXANY) << "any byte would restart output";
}

TEST(LineSettings, BytesPassUntouchedAndReadsReturnAtOnce) {
  termios t = make_line_settings(all_flags_set());
  // No parity check on receive, no stripping, no CR/LF translation.
  for (tcflag_t f : {INPCK, ISTRIP, ICRNL, INLCR, IGNCR, PARMRK, BRKINT}) {
    EXPECT_FALSE(t.c_iflag & f) << "input flag " << f;
  }
  EXPECT_FALSE(t.c_oflag & OPOST);
  for (tcflag_t f : {ICANON, ECHO, ISIG, IEXTEN}) EXPECT_FALSE(t.c_lflag & f) << "local flag " << f;
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST(LineSettings, ReadBackAcceptsOnlyWhatWasAsked) {
  termios wanted = make_line_settings(all_flags_clear());
  EXPECT_EQ(line_settings_mismatch(wanted, wanted, false), "");

  termios no_parity = wanted;
  no_parity.c_cflag &= ~PARENB;
  EXPECT_NE(line_settings_mismatch(wanted, no_parity, false).find("parity"), std::string::npos);
  // A pseudo-terminal cannot hold parity, and only there is that fine.
  EXPECT_EQ(line_settings_mismatch(wanted, no_parity, true), "");

  termios slow = wanted;
  cfsetospeed(&slow, B4800);
  EXPECT_NE(line_settings_mismatch(wanted, slow, true).find("speed"), std::string::npos);

  termios no_handshake = wanted;
  no_handshake.c_cflag &= ~CRTSCTS;
  EXPECT_NE(line_settings_mismatch(wanted, no_handshake, true).find("RTS/CTS"), std::string::npos);

  termios cooked = wanted;
  cooked.c_lflag |= ICANON;
  cooked.c_cflag = (cooked.c_cflag & ~CSIZE) | CS7;
  std::string differ = line_settings_mismatch(wanted, cooked, false);
  EXPECT_NE(differ.find("raw mode"), std::string::npos);
  EXPECT_NE(differ.find("data bits"), std::string::npos);
}

}  // namespace
}  // namespace klvc
