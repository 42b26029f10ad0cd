#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "sim/line_time.h"
#include "settings/store.h"
#include "sim/simulator.h"
#include "support/files.h"

namespace klvc {
namespace {

using State = Simulator::State;

std::string title_line(const char* channel, const char* first_code) {
  std::string line = std::string("CA") + channel + first_code;
  for (int k = 1; k < 16; ++k) line += "2121";
  return line + "\r\n";
}

struct Case {
  std::string line;
  std::function<bool(const State&)> holds;
};

TEST(SimulatorCommands, EveryCommandBodySetsItsState) {
  const int kE = 4;  // KLV-E: 64 inputs, 16 outputs, 24 and 4 terminals
  const std::vector<Case> cases = {
      {"O03I12\r\n", [](const State& s) { return s.output_routes[2] == 11; }},
      {"O16I64\r\n", [](const State& s) { return s.output_routes[15] == 63; }},
      {"O05I70\r\n", [](const State& s) { return s.output_routes[4] == 64; }},  // Auto
      {title_line("12", "2422"),
       [](const State& s) { return s.titles[11][0] == 0x2422 && s.titles[11][15] == 0x2121; }},
      {"TCI05OF\r\n", [](const State& s) { return s.input_title_display[4] == 0; }},
      {"TCO16OF\r\n", [](const State& s) { return s.output_title_display[15] == 0; }},
      {"ASM0203S\r\n", [](const State& s) { return s.sequence_live[2 * 16 + 1] == 0; }},
      {"AST0560\r\n", [](const State& s) { return s.dwell_times[4] == 59; }},
      {"DSY09\r\n", [](const State& s) { return s.clock.year == 9; }},
      {"DSM12\r\n", [](const State& s) { return s.clock.month == 12; }},
      {"DSD31\r\n", [](const State& s) { return s.clock.day == 31; }},
      {"TSH23\r\n", [](const State& s) { return s.clock.hour == 23; }},
      {"TSM59\r\n", [](const State& s) { return s.clock.minute == 59; }},
      {"TSS00\r\n", [](const State& s) { return s.clock.second == 0; }},
      {"TSA\r\n", [](const State& s) { return s.clock.adjustments == 1; }},
      {"TO03OF\r\n", [](const State& s) { return s.datetime_display[2] == 0; }},
      {"ADT01\r\n", [](const State& s) { return s.alarm_hold_time == 0; }},
      {"AICB\r\n", [](const State& s) { return s.alarm_polarity == 1; }},
      {"ARON\r\n", [](const State& s) { return s.alarm_return == 1; }},
      {"BZON\r\n", [](const State& s) { return s.buzzer_output == 1; }},
      {"MNON\r\n", [](const State& s) { return s.memory_number_display == 1; }},
      {"AIS2464\r\n", [](const State& s) { return s.alarm_input_channels[23] == 63; }},
      {"AMO6404ON\r\n", [](const State& s) { return s.alarm_outputs[63 * 4 + 3] == 1; }},
      {"PWMON\r\n", [](const State& s) { return s.password_menu == 1; }},
      {"PWOON\r\n", [](const State& s) { return s.password_operation == 1; }},
      {"PWIab12CD\r\n", [](const State& s) { return s.panel_password == "ab12CD"; }},
  };
  for (const Case& c : cases) {
    Simulator sim(kE);
    EXPECT_EQ(sim.receive(c.line), "GO\r\n") << c.line;
    EXPECT_TRUE(c.holds(sim.state())) << c.line;
  }
}

TEST(SimulatorCommands, UnknownAndMalformedLinesAreCommandErrorsAndChangeNothing) {
  std::vector<std::string> bad = {
      "O17I01\r\n",    "O01I65\r\n",   "O01I00\r\n",   "O1I01\r\n",     "O01X01\r\n",
      "ADT61\r\n",     "ADT00\r\n",    "ADT1\r\n",     "DSM13\r\n",     "DSD00\r\n",
      "TSH24\r\n",     "TSS60\r\n",    "TSA1\r\n",     "TO17ON\r\n",    "TO01NO\r\n",
      "AICX\r\n",      "ARO\r\n",      "BZONN\r\n",    "AIS2501\r\n",   "AIS0165\r\n",
      "AMO0105ON\r\n", "AMO0111ON\r\n", "AMO6501ON\r\n", "PWMOFF\r\n",  "PWI12345\r\n",
      "PWI12 456\r\n", "PWI1234567\r\n", "ASM0101X\r\n", "AST0161\r\n",  "TCI65ON\r\n",
      "XYZ\r\n",       "\r\n",          "GO\r\n",      "ADT10\n",       "adt10\r\n",
  };
  bad.push_back(title_line("01", "2422"));
  bad.back()[4] = 'a';  // "a422": digits are upper case
  bad.push_back(title_line("01", "7F21"));  // not a JIS X 0208 row
  bad.push_back(title_line("01", "2422").erase(10, 4));
  for (const std::string& line : bad) {
    Simulator sim;
    EXPECT_EQ(sim.receive(line), "E3\r\n") << line;
    EXPECT_EQ(sim.state(), State()) << line;
  }
}

TEST(SimulatorCommands, TheModelLimitsOutputsInputsAndTerminals) {
  Simulator a(0);  // KLV-A: 28 inputs, 8 outputs, 16 and 3 terminals
  EXPECT_EQ(a.receive("O09I01\r\n"), "E3\r\n");
  EXPECT_EQ(a.receive("O01I29\r\n"), "E3\r\n");
  EXPECT_EQ(a.receive("AIS1701\r\n"), "E3\r\n");
  EXPECT_EQ(a.receive("AMO0104ON\r\n"), "E3\r\n");
  EXPECT_EQ(a.receive("O08I70\r\n"), "GO\r\n");
  EXPECT_EQ(a.state().output_routes[7], 28) << "Auto is input_count, as in the store";
}

TEST(SimulatorCommands, AFreshSimulatorHoldsTheStoreDefaults) {
  SwitcherSettings st;
  reset_to_defaults(st);
  State s;
  EXPECT_EQ(s.output_routes, st.output_routes);
  EXPECT_EQ(s.input_title_display, st.input_title_display);
  EXPECT_EQ(s.output_title_display, st.output_title_display);
  EXPECT_EQ(s.datetime_display, st.datetime_display);
  EXPECT_EQ(s.sequence_live, st.sequence_live);
  EXPECT_EQ(s.dwell_times, st.dwell_times);
  EXPECT_EQ(s.alarm_input_channels, st.alarm_input_channels);
  EXPECT_EQ(s.alarm_outputs, st.alarm_outputs);
  EXPECT_EQ(s.alarm_hold_time, st.alarm_hold_time);
  EXPECT_EQ(s.panel_password, st.panel_password);
  EXPECT_EQ(s.password_menu, st.password_menu);
  EXPECT_EQ(s.titles[0][0], 0x2121);
}

TEST(SimulatorLines, LinesAreRecordedWithoutCrLfAndAnsweredOneByOne) {
  Simulator sim;
  EXPECT_EQ(sim.receive("ADT"), "");
  EXPECT_EQ(sim.receive("10\r"), "");
  EXPECT_EQ(sim.receive("\nBZON\r\nXX\r\n"), "GO\r\nGO\r\nE3\r\n");
  EXPECT_EQ(sim.lines(), (std::vector<std::string>{"ADT10", "BZON", "XX"}));
}

TEST(SimulatorLines, AnOverlongLineIsOneCommandErrorAndIsKeptCut) {
  Simulator sim;
  EXPECT_EQ(sim.receive(std::string(5000, 'O') + "\r\nTSA\r\n"), "E3\r\nGO\r\n");
  ASSERT_EQ(sim.lines().size(), 2u);
  EXPECT_EQ(sim.lines()[0].size(), Simulator::kMaxLine);
}

TEST(SimulatorLines, Rs485AnswersOnlyItsOwnAddressBehindTheAddress) {
  Simulator sim;
  sim.set_rs485(true, 7);
  EXPECT_EQ(sim.receive("07ADT10\r\n"), "07GO\r\n");
  EXPECT_EQ(sim.receive("08ADT20\r\n"), "");
  EXPECT_EQ(sim.receive("ADT20\r\n"), "") << "no address";
  EXPECT_EQ(sim.receive("07ADT99\r\n"), "07E3\r\n");
  EXPECT_EQ(sim.state().alarm_hold_time, 9);
  EXPECT_EQ(sim.lines(), (std::vector<std::string>{"07ADT10", "08ADT20", "ADT20", "07ADT99"}));
}

TEST(SimulatorFaults, AChosenLineGetsAChosenAnswerAndIsNotExecuted) {
  Simulator sim;
  sim.fail_command(2, "E3\r\n");
  sim.fail_command(3, "GO\r\n");
  EXPECT_EQ(sim.receive("BZON\r\nARON\r\nXX\r\nMNON\r\n"), "GO\r\nE3\r\nGO\r\nGO\r\n");
  EXPECT_EQ(sim.state().alarm_return, 0);
  EXPECT_EQ(sim.state().buzzer_output, 1);
  EXPECT_EQ(sim.state().memory_number_display, 1);
}

TEST(SimulatorFaults, ASilentSwitcherRecordsButNeitherAnswersNorExecutes) {
  Simulator sim;
  sim.set_silent(true);
  EXPECT_EQ(sim.receive("BZON\r\n"), "");
  EXPECT_EQ(sim.state().buzzer_output, 0);
  EXPECT_EQ(sim.lines().size(), 1u);
}

// --- the pseudo-terminal around it ---

int open_raw(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fd;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

std::string read_answer(int fd, std::size_t want) {
  std::string got;
  while (got.size() < want) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 5000) <= 0) break;
    char buf[64];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

::testing::AssertionResult started(SimulatedPort& port) {
  std::string error;
  if (port.start(&error)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << error;
}

std::string link_target(const std::string& link) {
  char target[256] = {};
  ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

TEST(SimulatedPortTest, AnswersOnItsPseudoTerminalAndFollowsItWithALink) {
  SimulatedPort port(0);
  ASSERT_TRUE(started(port));
  testing::TempDir dir;
  const std::string link = dir.file("switcher");
  std::string error;
  ASSERT_TRUE(port.set_link_path(link, &error)) << error;
  EXPECT_EQ(link_target(link), port.slave_path());

  int fd = open_raw(link);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "O08I70\r\nO09I01\r\n", 16), 16);
  EXPECT_EQ(read_answer(fd, 8), "GO\r\nE3\r\n");
  EXPECT_TRUE(port.wait_for_lines(2, 5000));
  EXPECT_EQ(port.state().output_routes[7], 28);
  port.send_raw("\x01junk\r\n");
  EXPECT_EQ(read_answer(fd, 7), "\x01junk\r\n");
  close(fd);

  // While the device is away no path leads to a number another program may get.
  port.hang_up();
  EXPECT_NE(access(link.c_str(), F_OK), 0);
  ASSERT_TRUE(port.resume(&error)) << error;
  EXPECT_EQ(link_target(link), port.slave_path());
  EXPECT_EQ(port.state().output_routes[7], 28) << "the switcher keeps its settings";
  port.stop();
  ASSERT_TRUE(port.set_link_path("", &error));
  EXPECT_NE(access(link.c_str(), F_OK), 0);
}

TEST(SimulatedPortTest, TheLinkPathNeverReplacesWhatItDidNotMake) {
  testing::TempDir dir;
  const std::string file = dir.file("file"), other = dir.file("other"), folder = dir.file("folder");
  testing::write_file(file, "");
  ASSERT_EQ(symlink("/elsewhere", other.c_str()), 0);
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  for (const std::string& taken : {file, other, folder}) {
    SCOPED_TRACE(taken);
    {
      SimulatedPort port;
      std::string error;
      EXPECT_TRUE(port.set_link_path(taken, &error));  // nothing made while stopped
      EXPECT_FALSE(port.start(&error));
      EXPECT_NE(error.find(taken + " already exists"), std::string::npos) << error;
    }
    struct stat st;
    ASSERT_EQ(lstat(taken.c_str(), &st), 0);
    EXPECT_EQ(S_ISREG(st.st_mode), taken == file);
    EXPECT_EQ(S_ISLNK(st.st_mode), taken == other);
    EXPECT_EQ(S_ISDIR(st.st_mode), taken == folder);
  }
  EXPECT_EQ(link_target(other), "/elsewhere");
}

TEST(SimulatedPortTest, AClientsUnfinishedLineDoesNotJoinTheNextClientsLine) {
  SimulatedPort port(0);
  ASSERT_TRUE(started(port));
  int first = open_raw(port.slave_path());
  ASSERT_GE(first, 0);
  ASSERT_EQ(write(first, "ARON\r\nBZO", 9), 9);
  EXPECT_EQ(read_answer(first, 4), "GO\r\n");  // the unfinished line came with ARON
  close(first);
  int second = open_raw(port.slave_path());
  ASSERT_GE(second, 0);
  ASSERT_EQ(write(second, "N\r\nMNON\r\n", 9), 9);
  EXPECT_EQ(read_answer(second, 8), "E3\r\nGO\r\n");
  close(second);
  EXPECT_EQ(port.lines(), (std::vector<std::string>{"ARON", "N", "MNON"}));
  EXPECT_EQ(port.state().buzzer_output, 0);
}

// 9600 baud 8E1: 11 bits a character, 11/9600 s = 1145833 ns (rounded down).
TEST(LineTimeTest, EachCharacterTakesElevenBitTimesEachWayOnItsOwn) {
  LineTime line;
  // "BZON" CR LF leaves at 0: its last character is in after 6 characters.
  EXPECT_EQ(line.arrive(0, 6), 6875000);
  // A second line sent at once waits for the first to be through.
  EXPECT_EQ(line.arrive(1000, 7), 6875000 + 8020833);
  // The answer "GO" CR LF, ready when the first line is in, takes 4 more;
  // the way back is free of the second line.
  EXPECT_EQ(line.depart(6875000, 4), 6875000 + 4583333);
  LineTime instant(false);
  EXPECT_EQ(instant.arrive(5, 70), 5);
  EXPECT_EQ(instant.depart(5, 4), 5);
}

TEST(SimulatedPortTest, AnswersWaitForASlowReaderAndADroppedOneIsTraced) {
  SimulatedPort port(0, SimPace::Instant);
  std::mutex mutex;
  std::size_t dropped = 0;
  port.set_observer([&](const SimTrace& t) {
    std::lock_guard<std::mutex> lock(mutex);
    if (t.note.find("dropped") != std::string::npos) ++dropped;
  });
  ASSERT_TRUE(started(port));
  int fd = open_raw(port.slave_path());
  ASSERT_GE(fd, 0);
  // Far more answers than the terminal and the bound together hold, none read yet.
  constexpr std::size_t kLines = 30000;
  std::string lines;
  for (std::size_t i = 0; i < kLines; ++i) lines += "TSA\r\n";
  for (std::size_t done = 0; done < lines.size();) {
    ssize_t n = write(fd, lines.data() + done, lines.size() - done);
    ASSERT_GT(n, 0);
    done += static_cast<std::size_t>(n);
  }
  ASSERT_TRUE(port.wait_for_lines(kLines, 20000));
  std::size_t lost;
  {
    std::lock_guard<std::mutex> lock(mutex);
    lost = dropped;
  }
  EXPECT_GT(lost, 0u) << "the bound was reached";
  const std::string answers = read_answer(fd, (kLines - lost) * 4);
  close(fd);
  EXPECT_EQ(answers.size(), (kLines - lost) * 4) << "every answer not traced as dropped arrives";
  EXPECT_EQ(answers.find_first_not_of("GO\r\n"), std::string::npos);
}

TEST(SimulatedPortTest, UnitsOnOneBusAnswerOnlyTheirOwnAddress) {
  SimulatedPort port(0);
  port.simulator().set_rs485(true, 0);
  port.add_unit(5);
  std::vector<SimTrace> traces;
  std::mutex mutex;
  port.set_observer([&](const SimTrace& t) {
    std::lock_guard<std::mutex> lock(mutex);
    traces.push_back(t);
  });
  ASSERT_TRUE(started(port));
  int fd = open_raw(port.slave_path());
  ASSERT_GE(fd, 0);
  const std::string sent = "00BZON\r\n05ARON\r\n03MNON\r\n05BZOF\r\n";
  ASSERT_EQ(write(fd, sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
  EXPECT_EQ(read_answer(fd, 18), "00GO\r\n05GO\r\n05GO\r\n");
  ASSERT_TRUE(port.wait_for_lines(4, 5000));
  close(fd);
  EXPECT_EQ(port.state(0).buzzer_output, 1);
  EXPECT_EQ(port.state(0).alarm_return, 0);
  EXPECT_EQ(port.state(1).buzzer_output, 0);
  EXPECT_EQ(port.state(1).alarm_return, 1);
  std::lock_guard<std::mutex> lock(mutex);
  ASSERT_EQ(traces.size(), 4u);
  EXPECT_EQ(traces[2].line, "03MNON");
  EXPECT_EQ(traces[2].answer, "");
  EXPECT_EQ(traces[2].note, "no unit on the bus has address 03");
}

TEST(SimulatedPortTest, FailedLinesGetTheirAnswers) {
  SimulatedPort port;
  port.simulator().fail_command(2, "E3\r\n");
  port.simulator().fail_command(3, "MENU\r\n");
  ASSERT_TRUE(started(port));
  int fd = open_raw(port.slave_path());
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "TSA\r\nTSA\r\nTSA\r\n", 15), 15);
  EXPECT_EQ(read_answer(fd, 14), "GO\r\nE3\r\nMENU\r\n");
  close(fd);
}

}  // namespace
}  // namespace klvc
