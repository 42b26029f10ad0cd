// `klvc file export|import|diff` and send-all on a text, run as a script
// would run them. Titles are written here as Shift-JIS bytes worked out from
// the JIS rows and cells by the Shift-JIS rule, never by the program.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>

#include "support/files.h"
#include "support/jis_codes.h"
#include "support/run_program.h"
#include "support/settings_lines.h"
#include "support/text.h"

namespace klvc {
namespace {

using testing::contains;
using testing::join_lines;
using testing::read_file;
using testing::run_klvc;
using testing::TempDir;
using testing::write_file;

// The Shift-JIS pair of a JIS X 0208 code.
std::string sjis_of(int jis) {
  const int row = jis >> 8;
  const int cell = jis & 0xFF;
  const int s1 = (row + 1) / 2 + (row <= 0x5E ? 0x70 : 0xB0);
  const int s2 = row % 2 == 1 ? cell + (cell >= 0x60 ? 0x20 : 0x1F) : cell + 0x7E;
  return {static_cast<char>(s1), static_cast<char>(s2)};
}

// A well-formed settings file made for `model`, every value in its range and
// the titles walking through the accepted characters from `first_code`.
std::vector<std::string> settings_file_for(int model, std::size_t first_code, const std::string& password) {
  const int inputs[] = {28, 24, 32, 48, 64};
  const int alarm_inputs[] = {16, 16, 24, 24, 24};
  const int alarm_outputs[] = {3, 3, 4, 4, 4};
  static const std::vector<int> codes = testing::accepted_jis_codes();
  std::uint32_t seed = 12345u + static_cast<std::uint32_t>(first_code);
  auto next = [&seed](int below) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(below));
  };
  std::vector<std::string> lines;
  std::size_t k = first_code;
  for (int c = 0; c < 64; ++c) {
    const int length = c % 13 == 3 ? 0 : c % 5 == 1 ? 7 : 16;
    std::string title;
    for (int i = 0; i < length; ++i) {
      const bool blank = (c % 8 == 0 && i == 0) || (c % 8 == 1 && i == length - 1) || c == 63;
      title += sjis_of(blank ? 0x2121 : codes[k++ % codes.size()]);  // full-width spaces at the ends
    }
    lines.push_back(title.empty() ? "s" : title);
  }
  auto push = [&lines](int count, const std::function<int()>& value) {
    for (int i = 0; i < count; ++i) lines.push_back(std::to_string(value()));
  };
  push(24, [&] { return next(inputs[model]); });      // alarm input channels
  push(256, [&] { return next(2); });                 // alarm outputs
  push(1024, [&] { return next(2); });                // skip/live
  push(16, [&] { return next(60); });                 // dwell times
  push(16, [&] { return next(inputs[model] + 1); });  // routes, Auto included
  push(16 + 16 + 64, [&] { return next(2); });        // the three displays
  push(1, [&] { return next(60); });                  // hold time
  push(4, [&] { return next(2); });                   // polarity, return, buzzer, memory number
  push(1, [&] { return next(alarm_inputs[model]); });
  push(1, [&] { return next(alarm_outputs[model]); });
  push(1, [&] { return next(inputs[model]); });       // alarm channel
  push(2, [&] { return next(2); });                   // locks
  lines.push_back(password);
  return lines;
}

TEST(CliSettingsText, ExportThenImportGivesBackTheSameBytesForEveryModel) {
  const std::vector<int> codes = testing::accepted_jis_codes();
  ASSERT_EQ(codes.size(), 6879u);
  // Seven files cover every accepted character, the lowest (the full-width
  // space 0x2121) and the highest (0x7426) among them; passwords with the
  // characters that text and quoting treat specially.
  const char* passwords[] = {"573920", "a\"b\\#1", "", "ZZZZZZ", "#1=2", "x\"\"y", "!~!~!~"};
  for (int f = 0; f < 7; ++f) {
    const int model = f % 5;
    SCOPED_TRACE("file " + std::to_string(f) + ", model " + std::to_string(model));
    TempDir dir;
    const std::string original =
        join_lines(settings_file_for(model, static_cast<std::size_t>(f) * 1024, passwords[f]));
    write_file(dir.file("site.dat"), original);

    testing::RunResult text = run_klvc({"file", "export", dir.file("site.dat")});
    ASSERT_EQ(text.exit_code, 0) << text.err;
    EXPECT_EQ(text.err, "");
    write_file(dir.file("site.txt"), text.out);
    testing::RunResult r = run_klvc({"file", "import", dir.file("site.txt"), dir.file("back.dat")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(read_file(dir.file("back.dat")) == original);

    // The titles alone, over a base holding everything else.
    testing::RunResult csv = run_klvc({"file", "export", dir.file("site.dat"), "--titles"});
    ASSERT_EQ(csv.exit_code, 0) << csv.err;
    write_file(dir.file("titles.csv"), csv.out);
    r = run_klvc({"file", "import", dir.file("titles.csv"), dir.file("titled.dat"), "--base", dir.file("site.dat")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(read_file(dir.file("titled.dat")) == original);
  }
}

struct CsvCase {
  const char* name;
  std::string csv;
  std::string error;                         // "" when it must import; else expected after "PATH:"
  std::map<int, std::string> titles;         // channel -> Shift-JIS bytes, when it imports
  std::string note;                          // on stderr after "PATH:", if any, when it imports
};

const std::string kKa = sjis_of(0x252B), kMe = sjis_of(0x2561), kRa = sjis_of(0x2569);  // カ メ ラ
const std::string kIri = sjis_of(0x467E), kGuchi = sjis_of(0x387D);                      // 入 口
const std::string kBlank = sjis_of(0x2121);                                               // full-width space

TEST(CliSettingsText, TitlesCsvAsSpreadsheetsWriteIt) {
  const std::string head = "channel,title\r\n1,カメラ\r\n";
  const std::vector<CsvCase> cases = {
      {"byte-order mark, CR LF, empty rows at the end",
       "\xEF\xBB\xBF" "channel,title\r\n1,カメラ\r\n2,入口\r\n,\r\n\r\n", "",
       {{1, kKa + kMe + kRa}, {2, kIri + kGuchi}}},
      {"LF, quoted fields, a doubled quote, blanks kept inside quotes",
       "\"Channel\",\"Title\"\n\"3\",\"　入口　\"\n 4 , カメラ \n", "",
       {{3, kBlank + kIri + kGuchi + kBlank}, {4, kKa + kMe + kRa}}},
      {"CP932 rather than UTF-8", "channel,title\r\n1," + kKa + kMe + kRa + "\r\n", "", {{1, kKa + kMe + kRa}},
       " not UTF-8 (first at line 2), so read as CP932"},
      {"a comma inside quotes stays in the title", head + "2,\"入口,口\"\r\n", "3: channel 2: 「,」", {}},
      {"a quote inside quotes stays in the title", head + "2,\"入\"\"口\"\r\n", "3: channel 2: 「\"」", {}},
      {"17 characters", head + "\r\n5,あいうえおかきくけこさしすせそたち\r\n", "4: channel 5: 17 characters", {}},
      {"a character outside CP932", head + "6,入😀\r\n", "3: channel 6: 「😀」 (U+1F600) has no Shift-JIS", {}},
      {"a character outside the accepted ranges", head + "7,①\r\n", "3: channel 7: 「①」 is not among", {}},
      {"channel 0", head + "0,入口\r\n", "3: channel 0 is out of range 1..64", {}},
      {"channel 65", head + "2,入口\r\n65,入口\r\n", "4: channel 65 is out of range 1..64", {}},
      {"a duplicated channel", head + "2,入口\r\n1,入口\r\n", "4: channel 1 is listed again (first on line 2)", {}},
      {"a quote that is never closed", head + "2,\"入口\r\n", "3: a quoted field is not closed", {}},
      {"escape sequences in a title", head + "2,\"\x1B]2;x\x07\x1B[2J入口\"\r\n", "3: channel 2: the control", {}},
      {"escaped bytes read back, refused as unshowable", head + "2,\"\\x81\\xAD\"\r\n",
       "3: channel 2: 「\\x81\\xAD」 is not among", {}},
      {"decomposed kana composed", "channel,title\n1,カ\u3099メラ\n", "", {{1, sjis_of(0x252C) + kMe + kRa}}},
      {"UTF-8 with one CP932 line", head + "2," + kIri + "\r\n", "3: this line is not UTF-8, but line 2 is", {}},
      {"UTF-16", std::string("\xFF\xFE" "c\0h\0", 6), " the text is UTF-16", {}},
  };
  for (const CsvCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    write_file(dir.file("t.csv"), c.csv);
    testing::RunResult r = run_klvc({"file", "import", dir.file("t.csv"), dir.file("out.dat")});
    EXPECT_FALSE(testing::has_control(r.err + r.out)) << r.err;
    if (!c.error.empty()) {
      EXPECT_EQ(r.exit_code, 1);
      EXPECT_TRUE(contains(r.err, dir.file("t.csv") + ":" + c.error)) << r.err;
      EXPECT_EQ(testing::list_dir(dir.path()), "t.csv");  // no output, no leftovers
      continue;
    }
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(c.note.empty() || contains(r.err, dir.file("t.csv") + ":" + c.note)) << r.err;
    std::vector<std::string> lines = testing::default_file_lines();
    for (const auto& [channel, title] : c.titles) lines[static_cast<std::size_t>(channel - 1)] = title;
    EXPECT_TRUE(read_file(dir.file("out.dat")) == join_lines(lines));
  }
}

TEST(CliSettingsText, ImportListsEveryErrorAndLeavesTheOutputAsItWas) {
  TempDir dir;
  write_file(dir.file("out.dat"), "old bytes");
  write_file(dir.file("bad.txt"),
             "# three errors, one good line\n"
             "route out17 = in01\n"
             "route out03 = in12\n"
             "title ch01 = \"ABC\"\n"
             "route out03 = in13\n"
             "\x1B]2;x\x07\x1B[8m\r = 1\n");
  testing::RunResult r = run_klvc({"file", "import", dir.file("bad.txt"), dir.file("out.dat")});
  EXPECT_EQ(r.exit_code, 1);
  const std::string p = dir.file("bad.txt");
  EXPECT_TRUE(contains(r.err, p + ":2: output 17 is beyond the largest model (out01..out16)\n")) << r.err;
  EXPECT_TRUE(contains(r.err, p + ":4: title ch01: 「A」 is a half-width character")) << r.err;
  EXPECT_TRUE(contains(r.err, p + ":5: 'route out03' is set again (first on line 3)\n")) << r.err;
  EXPECT_TRUE(contains(r.err, p + ":6: unknown setting '\\x1B]2;x\\x07\\x1B[8m\\x0D'")) << r.err;
  EXPECT_FALSE(testing::has_control(r.err)) << r.err;
  EXPECT_EQ(read_file(dir.file("out.dat")), "old bytes");
  EXPECT_EQ(testing::list_dir(dir.path()), "bad.txt out.dat");

  // A damaged base is refused rather than written with mended values; so is
  // writing over the text itself.
  std::vector<std::string> lines = testing::default_file_lines();
  lines[1390 - 1] = "99";
  write_file(dir.file("base.dat"), join_lines(lines));
  write_file(dir.file("good.txt"), "route out03 = in12\n");
  r = run_klvc({"file", "import", dir.file("good.txt"), dir.file("out.dat"), "--base=" + dir.file("base.dat")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(contains(r.err, dir.file("base.dat") + ":1390: output route 99 out of range")) << r.err;
  r = run_klvc({"file", "import", dir.file("good.txt"), dir.file("good.txt")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(read_file(dir.file("good.txt")), "route out03 = in12\n");
  EXPECT_EQ(read_file(dir.file("out.dat")), "old bytes");

  // Careless arguments: swapped, a text as the base, onto a file that is not the base; and a text
  // whose UTF-8 titles would be garbled by one CP932 line.
  write_file(dir.file("mixed.txt"), "title ch01 = \"カメラ\"\ntitle ch02 = \"" + kIri + "\"\n");
  for (const auto& args : {std::vector<std::string>{dir.file("out.dat"), dir.file("good.txt")},
                           {dir.file("mixed.txt"), dir.file("out.dat"), "--force"},
                           {dir.file("good.txt"), dir.file("new.dat"), "--base", dir.file("bad.txt")},
                           {dir.file("good.txt"), dir.file("out.dat"), "--base", dir.file("new.dat")}}) {
    std::vector<std::string> words = {"file", "import"};
    words.insert(words.end(), args.begin(), args.end());
    write_file(dir.file("new.dat"), join_lines(testing::default_file_lines()));
    r = run_klvc(words);
    EXPECT_NE(r.exit_code, 0) << r.err;
    EXPECT_EQ(read_file(dir.file("good.txt")), "route out03 = in12\n");
    EXPECT_EQ(read_file(dir.file("out.dat")), "old bytes");
  }
  // Onto an existing settings file, without --base, the others are that file's own.
  lines[1390 - 1] = "7";
  write_file(dir.file("site.dat"), join_lines(lines));
  r = run_klvc({"file", "import", dir.file("good.txt"), dir.file("site.dat")});
  EXPECT_TRUE(contains(r.err, "the others from " + dir.file("site.dat") + " as it was")) << r.err;
  lines[1387 - 1] = "11";
  EXPECT_TRUE(read_file(dir.file("site.dat")) == join_lines(lines));
}

TEST(CliSettingsText, DiffPrintsExactlyTheSettingsThatDiffer) {
  TempDir dir;
  std::vector<std::string> a = testing::default_file_lines();
  std::vector<std::string> b = a;
  b[2 - 1] = kKa + kMe + kRa;        // title of channel 2
  b[89 + 4 * 2 + 3 - 1] = "1";       // alarm output: channel 3, terminal 4
  b[345 + 16 * 1 + 4 - 1] = "0";     // skip/live: input 2, output 5
  b[1385 + 2 - 1] = "28";            // output 3 on KLV-A's Auto
  b[1369 - 1] = "9";                 // dwell of output 1: 10 s
  b[1497 - 1] = "0";                 // hold time "01"
  b[1507 - 1] = "123456";
  write_file(dir.file("a.dat"), join_lines(a));
  write_file(dir.file("b.dat"), join_lines(b));
  testing::RunResult r = run_klvc({"file", "diff", dir.file("a.dat"), dir.file("b.dat")});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_EQ(r.out,
            "title ch02: \"\" -> \"カメラ\"\n"
            "alarm_output ch03 term4: OFF -> ON\n"
            "sequence in02 out05: LIVE -> SKIP\n"
            "dwell out01: 4s -> 10s\n"
            "route out03: in03 -> in29 (Auto on KLV-A)\n"
            "alarm_hold_time: 10 -> 01\n"
            "password: \"573920\" -> \"123456\"\n");

  // Titles that differ only in bytes no code page maps differ, shown escaped.
  a[3 - 1] = "\x81\xAD\x1B";
  b[3 - 1] = "\x81\xAE\x1B";
  write_file(dir.file("c.dat"), join_lines(a));
  write_file(dir.file("d.dat"), join_lines(b));
  r = run_klvc({"file", "diff", dir.file("c.dat"), dir.file("d.dat")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(contains(r.out, "title ch03: \"\\x81\\xAD\\x1B\" -> \"\\x81\\xAE\\x1B\"\n")) << r.out;

  r = run_klvc({"file", "diff", dir.file("a.dat"), dir.file("a.dat")});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "");
  r = run_klvc({"file", "diff", dir.file("a.dat"), dir.file("missing.dat")});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_TRUE(contains(r.err, "cannot open " + dir.file("missing.dat"))) << r.err;
}

TEST(CliSettingsText, SendAllTakesATitlesCsvOverABase) {
  TempDir dir;
  std::vector<std::string> base = testing::default_file_lines();
  base[1385 - 1] = "5";  // output 1 shows input 6
  write_file(dir.file("base.dat"), join_lines(base));
  write_file(dir.file("t.csv"), "channel,title\n2,カメラ\n");
  testing::RunResult r = run_klvc({"send-all", dir.file("t.csv"), "--base", dir.file("base.dat"), "--model", "A",
                                "--dry-run"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "O01I06\n")) << r.out;
  std::string title_line = "CA02252B25612569";
  for (int i = 3; i < 16; ++i) title_line += "2121";
  EXPECT_TRUE(contains(r.out, title_line + "\n")) << r.out;

  // A title holding escape sequences is refused in words a terminal cannot act on.
  base[1 - 1] = "\x1B]2;x\x07\x1B[2J";
  write_file(dir.file("evil.dat"), join_lines(base));
  r = run_klvc({"send-all", dir.file("evil.dat"), "--model", "A", "--dry-run"});
  EXPECT_TRUE(contains(r.err, "channel 1 title would not be sent")) << r.err;
  EXPECT_FALSE(testing::has_control(r.err + r.out)) << r.err;

  write_file(dir.file("bad.csv"), "channel,title\n2,カメラ\n99,入口\n");
  r = run_klvc({"send-all", dir.file("bad.csv"), "--model", "A", "--dry-run"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(contains(r.err, dir.file("bad.csv") + ":3: channel 99 is out of range 1..64")) << r.err;
}

}  // namespace
}  // namespace klvc
