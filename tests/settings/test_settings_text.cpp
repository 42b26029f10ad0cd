// Reading the settings text and the titles CSV into the store: what a text
// may leave out, the forms it may use, and every error with its line.
#include <gtest/gtest.h>

#include "settings/settings_file.h"
#include "settings/settings_text.h"
#include "settings/store.h"

namespace klvc {
namespace {

const std::string kKaMeRa = "\x83\x4A\x83\x81\x83\x89";  // カメラ in Shift-JIS
const std::string kBlank = "\x81\x40";                    // the full-width space

// Stands in for the title dialog's check: refuses titles of more than 32 bytes.
std::string refuse_long(const std::string& sjis) {
  return sjis.size() > 32 ? std::to_string(sjis.size()) + " bytes is too long" : std::string();
}

class SettingsTextTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_to_defaults(s); }

  TextImport import(const std::string& bytes, TitleCheck check) {
    return import_settings_text(s, s.model_index, bytes, check);
  }
  std::string file_bytes() const {
    std::string bytes;
    std::string error;
    EXPECT_TRUE(settings_file_text(s, s.model_index, &bytes, &error)) << error;
    return bytes;
  }
  SettingsStore s;
};

TEST_F(SettingsTextTest, ATextChangesOnlyTheSettingsItHolds) {
  s.output_routes[4] = 7;  // as a base would hold it
  const TextImport r = import(
      "# a comment, then a blank line\n"
      "\n"
      "route out03 = in12\r\n"
      "  SEQUENCE IN2 OUT05 = skip   # names and words in any case, numbers unpadded\n"
      "title ch02 = \"　カメラ # \\\"x\\\"\"  # a # inside quotes is text\n"
      "dwell out01 = 10\n"
      "route out04 = 29\n"
      "alarm_hold_time = 01\n"
      "password = \"a\\\\b\\\"cd\"\n",
      refuse_long);
  ASSERT_TRUE(r.errors.empty()) << r.errors.front().line << ": " << r.errors.front().message;
  EXPECT_FALSE(r.titles_csv);
  EXPECT_EQ(r.settings, 7);
  EXPECT_EQ(s.output_routes[2], 11);
  EXPECT_EQ(s.output_routes[3], kRouteAuto);  // in29 is Auto on KLV-A, the model in use
  EXPECT_EQ(s.output_routes[4], 7);
  EXPECT_EQ(s.sequence_live[1 * 16 + 4], 0);
  EXPECT_EQ(s.sequence_live[1 * 16 + 5], 1);
  EXPECT_EQ(s.channel_titles[1], kBlank + kKaMeRa + " # \"x\"");
  EXPECT_EQ(s.channel_titles[0], "");
  EXPECT_EQ(s.dwell_times[0], 9);
  EXPECT_EQ(s.alarm_hold_time, 0);
  EXPECT_EQ(s.panel_password, "a\\b\"cd");
}

// Auto is kept as Auto whatever the model; only the file and the text write
// it as a number, the model's input count (shown plus one in the text).
TEST(SettingsAuto, AutoIsTheModelsInputCountInFileAndTextAndReadsBackAsAuto) {
  struct Case {
    int model;
    const char* file_line;  // line 1387, output 3
    const char* text_line;
  };
  const Case cases[] = {
      {0, "28", "route out03 = in29  # Auto on KLV-A"}, {1, "24", "route out03 = in25  # Auto on KLV-B"},
      {2, "32", "route out03 = in33  # Auto on KLV-C"}, {3, "48", "route out03 = in49  # Auto on KLV-D"},
      {4, "64", "route out03 = in65  # Auto on KLV-E"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    SwitcherSettings saved;
    reset_to_defaults(saved);
    saved.output_routes[2] = kRouteAuto;
    saved.output_routes[3] = 27;  // input 28, a number under every model
    std::string bytes;
    std::string error;
    ASSERT_TRUE(settings_file_text(saved, c.model, &bytes, &error)) << error;
    EXPECT_NE(bytes.find("\r\n0\r\n1\r\n" + std::string(c.file_line) + "\r\n27\r\n4\r\n"), std::string::npos);
    const std::string text = settings_text(saved, c.model);
    EXPECT_NE(text.find(std::string("\n") + c.text_line + "\n"), std::string::npos) << text;

    SwitcherSettings from_file;
    EXPECT_TRUE(read_settings_text(from_file, c.model, bytes).clean());
    SwitcherSettings from_text;
    reset_to_defaults(from_text);
    EXPECT_TRUE(import_settings_text(from_text, c.model, text, nullptr).errors.empty());
    for (const SwitcherSettings* read : {&from_file, &from_text}) {
      EXPECT_EQ(read->output_routes[2], kRouteAuto);
      EXPECT_EQ(read->output_routes[3], 27);
    }
    // The file of one model, read and written under any other, keeps its bytes.
    for (int other = 0; other < kModelCount; ++other) {
      SwitcherSettings elsewhere;
      read_settings_text(elsewhere, other, bytes);
      std::string again;
      ASSERT_TRUE(settings_file_text(elsewhere, other, &again, &error)) << error;
      EXPECT_EQ(again, bytes) << "read under model " << other;
    }
  }
}

TEST_F(SettingsTextTest, EveryErrorIsListedWithItsLineAndTheStoreStaysAsItWas) {
  struct Case {
    const char* line;
    const char* message;
  };
  const Case cases[] = {
      {"route out17 = in01", "output 17 is beyond the largest model (out01..out16)"},
      {"title ch65 = \"\"", "channel 65 is beyond the largest model (ch01..ch64)"},
      {"sequence in65 out01 = LIVE", "input 65 is beyond the largest model (in01..in64)"},
      {"alarm_output ch01 term5 = ON", "alarm output terminal 5 is beyond the largest model (term1..term4)"},
      {"alarm_input term25 = ch01", "alarm input terminal 25 is beyond the largest model (term01..term24)"},
      {"route out00 = in01", "output 0 does not exist (out01..out16)"},
      {"colour = red", "unknown setting 'colour'"},
      {"route out03 = in66", "route out03: 'in66' is out of range in01..in65"},
      {"dwell out01 = 0s", "dwell out01: '0s' is out of range 1s..60s"},
      {"output_title out01 = maybe", "output_title out01: 'maybe' is not ON or OFF"},
      {"route out05 =", "route out05: the value is missing"},
      {"route out06", "expected 'key = value', as in 'route out01 = in01'"},
      {"route = in01", "'route' needs to say which one, as in 'route out01'"},
      {"alarm_hold_time 01 = 10", "'alarm_hold_time' is a single setting; write 'alarm_hold_time = ...'"},
      {"title ch01 = カメラ", "title ch01: the value must be in double quotes"},
      {"title ch02 = \"カメラ", "title ch02: the closing double quote is missing"},
      {"title ch03 = \"カメラ\" x", "title ch03: unexpected text after the closing quote"},
      {"title ch04 = \"\xF0\x9F\x98\x80\"", "title ch04: 「\xF0\x9F\x98\x80」 (U+1F600) has no Shift-JIS (CP932) form"},
      {"title ch05 = \"あいうえおかきくけこさしすせそたち\"", "title ch05: 34 bytes is too long"},
      {"password = \"12 456\"", "password: visible ASCII characters only"},
      {"password = \"1234567\"", "password: 7 characters, more than 6"},
      {"route out07 = in01", nullptr},  // fine, but set again below
      {"ROUTE OUT7 = in02", "'route out07' is set again (first on line 22)"},
  };
  std::string text;
  for (const Case& c : cases) text += std::string(c.line) + "\n";
  const std::string before = file_bytes();
  const TextImport r = import(text, refuse_long);
  std::vector<std::string> got;
  for (const FileProblem& p : r.errors) got.push_back(std::to_string(p.line) + ": " + p.message);
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    if (cases[i].message) expected.push_back(std::to_string(i + 1) + ": " + cases[i].message);
  }
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].substr(0, expected[i].size()), expected[i]);
  EXPECT_EQ(file_bytes(), before);
}

TEST_F(SettingsTextTest, ASettingsFileUnderAnotherNameIsOneErrorNotHundreds) {
  const TextImport r = import("s\r\ns\r\n0\r\n1\r\n", nullptr);
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0].line, 0);
  EXPECT_NE(r.errors[0].message.find("must be named *.dat"), std::string::npos);
}

TEST_F(SettingsTextTest, TitlesCsvFieldsAreReadAsRfc4180HasThem) {
  // Without a title check, the fields arrive exactly as the CSV holds them.
  const TextImport r = import(
      "\xEF\xBB\xBF" "channel,title,,\r\n"
      "1,\"a,b\",,\r\n"
      "2,\"say \"\"hi\"\"\"\r\n"
      "3 ,  カメラ  \r\n"
      "4,\"  kept  \"\r\n"
      "5,\"two\r\nlines\"\r\n"
      "6,\r\n"
      ",,\r\n"
      "\r\n",
      nullptr);
  ASSERT_TRUE(r.errors.empty()) << r.errors.front().line << ": " << r.errors.front().message;
  EXPECT_TRUE(r.titles_csv);
  EXPECT_EQ(r.settings, 6);
  const auto& t = s.channel_titles;
  EXPECT_EQ(t[0], "a,b");
  EXPECT_EQ(t[1], "say \"hi\"");
  EXPECT_EQ(t[2], kKaMeRa);
  EXPECT_EQ(t[3], "  kept  ");
  EXPECT_EQ(t[4], "two\r\nlines");
  EXPECT_EQ(t[5], "");

  const TextImport bad = import(
      "channel,title\n"
      "5,\"two\nlines\"\n"  // lines 2 and 3
      "x,カメラ\n"
      "7\n"
      "8,カメラ,extra\n"
      "9,\"open\n",
      nullptr);
  std::vector<std::string> got;
  for (const FileProblem& p : bad.errors) got.push_back(std::to_string(p.line) + ": " + p.message);
  EXPECT_EQ(got, (std::vector<std::string>{
                     "4: 'x' is not a channel number (1..64)",
                     "5: a row holds two fields, channel and title, not 1 (an empty title is written as '5,')",
                     "6: a row holds two fields, channel and title, not 3",
                     "7: a quoted field is not closed"}));
}

}  // namespace
}  // namespace klvc
