#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "link/line_assembler.h"
#include "link/link_status.h"
#include "link_test_support.h"

namespace klvc {
namespace {

std::vector<LineAssembler::Line> feed_all(LineAssembler& a, const std::vector<std::string>& reads) {
  std::vector<LineAssembler::Line> lines;
  for (const auto& r : reads) {
    a.feed(r.data(), r.size(), [&](const LineAssembler::Line& l) { lines.push_back(l); });
  }
  return lines;
}

TEST(LineAssembly, ReadsAreSplitIntoLinesAndALongLineIsCutButCounted) {
  const std::string junk(1000, 'A');
  struct Case {
    const char* name;
    std::vector<std::string> reads;
    std::vector<std::string> lines;
    std::size_t first_size;  // the first line's length as it came
    bool first_cut;
    std::size_t pending;     // a started line waiting for its end
  };
  const Case cases[] = {
      {"an answer split across reads", {"G", "O\r", "\n"}, {"GO\r\n"}, 4, false, 0},
      {"answers joined in one read", {"GO\r\nE3\r\nG"}, {"GO\r\n", "E3\r\n"}, 4, false, 1},
      {"a long line, then an intact one",
       {junk.substr(0, 400), junk.substr(400) + "\r\n", "GO\r\n"},
       {std::string(LineAssembler::kKeptBytes, 'A'), "GO\r\n"}, 1002, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LineAssembler a;
    const auto lines = feed_all(a, c.reads);
    ASSERT_EQ(lines.size(), c.lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].bytes, c.lines[i]) << i;
    EXPECT_EQ(lines[0].size, c.first_size);
    EXPECT_EQ(lines[0].cut(), c.first_cut);
    EXPECT_EQ(a.pending(), c.pending);
  }
}

TEST(LineAssembly, RandomBytesNeverGrowTheBufferAndLoseNoByteCount) {
  std::mt19937 rng(4);
  LineAssembler a;
  std::size_t counted = 0;
  for (int read = 0; read < 100; ++read) {
    std::string bytes(100, '\0');
    for (char& c : bytes) c = static_cast<char>(rng() & 0xFF);
    a.feed(bytes.data(), bytes.size(), [&](const LineAssembler::Line& l) {
      EXPECT_LE(l.bytes.size(), LineAssembler::kKeptBytes);
      counted += l.size;
    });
  }
  EXPECT_EQ(counted + a.pending(), 10000u);
}

class Received : public testing::LinkTest {};

TEST_F(Received, JoinedAnswersAreEachHandled) {
  link.status().batch_step = 1;
  link.feed_received("GO\r\nGO\r\nE3\r\n", 12);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Command Error"});
}

TEST_F(Received, AnAnswerWithAZeroByteIsNotSuccess) {
  const char bytes[] = {'G', '\0', 'O', '\r', '\n'};
  link.feed_received(bytes, sizeof bytes);
  EXPECT_EQ(link.status().error_seen, 1);
  EXPECT_EQ(sink.texts(), std::vector<std::string>{"Unknown answer from the switcher: \"G\\x00O\""});
}

TEST_F(Received, AnOverlongLineIsOneUnknownAnswerShownCut) {
  std::string line(1000, 'Z');
  line += "\r\n";
  link.feed_received(line.data(), line.size());
  ASSERT_EQ(sink.count(), 1u);
  std::string text = sink.texts()[0];
  EXPECT_NE(text.find("(1002 bytes)"), std::string::npos) << text;
  EXPECT_LT(text.size(), 200u);
  EXPECT_EQ(link.status().error_seen, 1);
}

}  // namespace
}  // namespace klvc
