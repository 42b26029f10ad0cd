// Damaged files of every kind must load without a crash or an overrun, and
// leave a store that every dialog and command builder can use as it is.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include <unistd.h>

#include "settings/settings_file.h"
#include "settings/settings_layout.h"
#include "settings/settings_text.h"
#include "settings/store.h"
#include "support/files.h"
#include "support/run_program.h"
#include "support/settings_lines.h"
#include "support/text.h"

namespace klvc {
namespace {

bool has_space_or_nul(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c == '\0' || c == ' ' || (c >= '\t' && c <= '\r'); });
}

class Mutator {
 public:
  explicit Mutator(unsigned seed) : rng_(seed) {}

  // A well-formed file, mostly cut short (which also keeps the run fast),
  // with a few lines damaged.
  std::string make(const std::string& crlf, const std::string& lf) {
    std::string bytes = pick(0, 3) ? crlf : lf;
    if (pick(0, 9) < 8) {
      double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
      bytes.resize(static_cast<std::size_t>(u * u * static_cast<double>(bytes.size())));
    }
    int edits = pick(0, 4);
    for (int e = 0; e < edits; ++e) {
      std::size_t at = static_cast<std::size_t>(pick(0, static_cast<int>(bytes.size())));
      std::size_t start = at == 0 ? 0 : bytes.rfind('\n', at - 1) + 1;  // npos + 1 == 0
      std::size_t end = std::min(bytes.find_first_of("\r\n", start), bytes.size());
      switch (pick(0, 5)) {
        case 0: bytes.replace(start, end - start, random_bytes(pick(34, 120), false)); break;  // overlong
        case 1: bytes.replace(start, end - start, (pick(0, 1) ? "-" : "") + digits(pick(10, 60))); break;
        case 2: bytes.insert(at, std::string(pick(1, 3), '\0')); break;
        case 3: bytes.replace(start, end - start, std::to_string(pick(-100, 200))); break;  // out of range
        case 4: bytes.insert(at, random_bytes(pick(1, 8), true)); break;
        default: bytes.erase(start, end - start); break;  // blank line
      }
    }
    return bytes;
  }

  std::string noise() { return random_bytes(pick(0, 300), true); }

  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

 private:
  std::string random_bytes(int n, bool with_space) {
    static const char kPool[] = " \t\r\n\v\f0123456789+-s\x81\x40\x82\xA0\xFF\x80";
    std::string out;
    for (int i = 0; i < n; ++i) {
      char c = pick(0, 1) ? static_cast<char>(pick(0, 255)) : kPool[pick(0, sizeof kPool - 2)];
      if (!with_space && (c == ' ' || (c >= '\t' && c <= '\r'))) c = 'x';
      out += c;
    }
    return out;
  }
  std::string digits(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += static_cast<char>('0' + pick(0, 9));
    return out;
  }
  std::mt19937 rng_;
};

void expect_usable_store(SettingsStore& s, const std::string& bytes, const ReadResult& r) {
  // Plain loops with one assertion each: this runs for every generated file.
  for (const IntRun& run : kIntRuns) {
    const int* v = run.values(s);
    int bad = -1;
    for (int i = 0; i < run.count && bad < 0; ++i) {
      if (v[i] < run.min || v[i] > run.max) bad = i;
    }
    ASSERT_EQ(bad, -1) << run.what << " " << v[bad];
  }
  bool texts_ok = s.panel_password.size() <= 33 && !has_space_or_nul(s.panel_password);
  for (const std::string& t : s.channel_titles) texts_ok = texts_ok && t.size() <= 33 && !has_space_or_nul(t);
  ASSERT_TRUE(texts_ok);
  ASSERT_EQ(s.model_index, 3);
  ASSERT_EQ(s.current_output, 2);
  int lines = 1;
  for (const char* p = bytes.data(); p < bytes.data() + bytes.size(); ++p) lines += *p == '\n';
  for (const FileProblem& p : r.problems) {
    ASSERT_GE(p.line, 0);
    ASSERT_LE(p.line, lines + 1) << p.message;
    ASSERT_FALSE(p.message.empty());
  }
}

TEST(SettingsFuzz, DamagedFilesLoadIntoAUsableStore) {
  SettingsStore s;
  reset_to_defaults(s);
  const std::string crlf = testing::join_lines(testing::default_file_lines());
  const std::string lf = testing::join_lines(testing::default_file_lines(), "\n");
  Mutator m(20240611u);
  constexpr int kFiles = 100000;
  for (int n = 0; n < kFiles; ++n) {
    std::string bytes = m.pick(0, 19) == 0 ? m.noise() : m.make(crlf, lf);
    s.model_index = 3;
    s.current_output = 2;
    ReadResult r = read_settings_text(s, s.model_index, bytes);
    ASSERT_NO_FATAL_FAILURE(expect_usable_store(s, bytes, r)) << "file " << n;
    if (n % 16 == 0) {
      // Whatever was loaded can be saved, and saving it again after a reload gives the same bytes.
      std::string first;
      std::string second;
      std::string error;
      ASSERT_TRUE(settings_file_text(s, s.model_index, &first, &error)) << error;
      read_settings_text(s, s.model_index, first);
      ASSERT_TRUE(settings_file_text(s, s.model_index, &second, &error)) << error;
      ASSERT_EQ(first, second) << "file " << n;
    }
  }
}

std::string with_crlf(const std::string& lf) {
  std::string out;
  for (char c : lf) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// A title that refuses what the switcher cannot show in the simplest way: an odd byte count.
std::string even_bytes(const std::string& sjis) { return sjis.size() % 2 ? "odd" : ""; }

TEST(SettingsFuzz, DamagedTextsAndCsvsAreRefusedWholeOrApplied) {
  SwitcherSettings shown;
  reset_to_defaults(shown);
  shown.channel_titles[0] = testing::kCameraSjis;
  shown.channel_titles[1] = "\x81\xAD\x1B[2J";  // unmapped bytes and an escape sequence, exported escaped
  const std::string text_lf = settings_text(shown, 4);
  const std::string csv = titles_csv(shown);
  std::string csv_lf = csv;
  csv_lf.erase(std::remove(csv_lf.begin(), csv_lf.end(), '\r'), csv_lf.end());
  Mutator m(20261208u);
  testing::TempDir dir;
  for (int n = 0; n < 2000; ++n) {
    const bool is_csv = n % 2 == 1;
    const std::string bytes = is_csv ? m.make(csv, csv_lf) : m.make(with_crlf(text_lf), text_lf);
    SwitcherSettings s;
    reset_to_defaults(s);
    const SwitcherSettings before = s;
    const TextImport r = import_settings_text(s, 4, bytes, even_bytes);
    if (!r.errors.empty()) {
      ASSERT_TRUE(settings_differences(settings_as_text(s, 4), settings_as_text(before, 4)).empty()) << "text " << n;
    }
    if (n % 200 != 0) continue;
    // The program itself: a refused text leaves no OUT behind and nothing a terminal acts on.
    const std::string in = dir.file(is_csv ? "t.csv" : "t.txt");
    const std::string out = dir.file("out.dat");
    testing::write_file(in, bytes);
    testing::RunResult run = testing::run_klvc({"file", "import", in, out});
    ASSERT_LT(run.exit_code, 3) << run.err;
    ASSERT_FALSE(testing::has_control(run.err));
    ASSERT_EQ(run.exit_code == 0, ::access(out.c_str(), F_OK) == 0) << run.err;
    ::unlink(out.c_str());
  }
}

}  // namespace
}  // namespace klvc
