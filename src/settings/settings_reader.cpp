// Reading a settings file. The values are taken exactly as the file format's
// formatted reads take them: white space of any kind between values, a text
// read up to the next white space, an integer read as an optional sign and
// decimal digits. What the format tolerates silently is reported here, and
// values that would later index past the store's arrays are set back to
// their defaults.
#include <cstdint>
#include <string_view>

#include "settings/settings_file.h"
#include "settings/settings_layout.h"
#include "settings/sjis.h"

namespace klvc {
namespace {

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A token for a message: UTF-8, control bytes escaped, long ones shortened.
std::string shown_token(std::string_view raw) {
  constexpr std::size_t kShown = 24;
  bool shortened = raw.size() > kShown;
  std::string text = sjis_to_utf8(raw.substr(0, kShown));
  std::string out = "'";
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      static const char hex[] = "0123456789ABCDEF";
      out += "\\x";
      out += hex[u >> 4];
      out += hex[u & 15];
    } else {
      out += c;
    }
  }
  out += shortened ? "...'" : "'";
  return out;
}

std::string channel_label(int c) {
  std::string s = "ch";
  if (c + 1 < 10) s += '0';
  return s + std::to_string(c + 1);
}

// Walks the bytes the way the formatted reads do, keeping the line number.
// Plain pointer loops: this runs over every byte of every file loaded.
class Scanner {
 public:
  explicit Scanner(std::string_view bytes)
      : begin_(bytes.data()), p_(bytes.data()), end_(bytes.data() + bytes.size()), token_end_(p_) {}

  bool at_end() const { return p_ >= end_; }
  int line() const { return line_; }
  std::size_t pos() const { return static_cast<std::size_t>(p_ - begin_); }

  void skip_space() {
    while (p_ < end_ && (*p_ == ' ' || (*p_ >= '\t' && *p_ <= '\r'))) {
      if (*p_++ == '\n') ++line_;
    }
  }

  // One white-space-free token and the white space after it; empty at the end.
  std::string_view token() {
    skip_space();
    const char* start = p_;
    while (p_ < end_ && !(*p_ == ' ' || (*p_ >= '\t' && *p_ <= '\r'))) ++p_;
    token_end_ = p_;
    std::string_view t(start, static_cast<std::size_t>(p_ - start));
    skip_space();
    return t;
  }

  // The bytes from `from` up to the next white space, without consuming them.
  std::string_view token_at(std::size_t from) const {
    const char* start = begin_ + from;
    const char* e = start;
    while (e < end_ && !is_space(*e)) ++e;
    return std::string_view(start, static_cast<std::size_t>(e - start));
  }

  enum class Number { kValue, kNotNumber, kEnd };

  // An optional sign and decimal digits. On a non-digit the sign stays
  // consumed and the reading position rests on the offending byte, so every
  // later number fails on it again.
  Number number(std::int64_t* value, std::string_view* text) {
    skip_space();
    if (p_ >= end_) return Number::kEnd;
    const char* start = p_;
    const char* p = p_;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (p >= end_ || *p < '0' || *p > '9') {
      p_ = p;
      return Number::kNotNumber;
    }
    std::int64_t v = 0;
    constexpr std::int64_t kCap = INT64_C(1) << 40;  // far outside every range
    for (; p < end_ && *p >= '0' && *p <= '9'; ++p) {
      if (v < kCap) v = v * 10 + (*p - '0');
    }
    p_ = p;
    token_end_ = p;
    *value = negative ? -v : v;
    *text = std::string_view(start, static_cast<std::size_t>(p - start));
    skip_space();
    return Number::kValue;
  }

  // Line breaks between the end of the last token read and the reading position.
  int breaks_since_last_token() const {
    int n = 0;
    for (const char* q = token_end_; q < p_; ++q) n += *q == '\n';
    return n;
  }

 private:
  const char* begin_;
  const char* p_;
  const char* end_;
  const char* token_end_;
  int line_ = 1;
};

class Reader {
 public:
  Reader(SwitcherSettings& s, int model, const std::string& bytes) : s_(s), model_(model), scan_(bytes) {}

  ReadResult run() {
    SwitcherSettings& s = s_;
    for (int c = 0; c < kMaxInputs; ++c) {
      s.channel_titles[c] = read_text(c);
    }
    for (const IntRun& run : kIntRuns) {
      int* values = run.values(s);
      for (int i = 0; i < run.count; ++i) {
        if (missing_from_ != 0) {  // past the end every read finds nothing
          value_number_ += run.count - i;
          break;
        }
        read_int(run, i, &values[i]);
      }
    }
    bool password_from_failure = flush_failure(true);
    s.panel_password = read_text(kPassword);
    if (missing_from_ == kPasswordLine && password_line_was_empty()) missing_from_ = 0;
    if (missing_from_ != 0) report_short_file();
    if (!scan_.at_end() && !password_from_failure) {
      add(scan_.line(), "text after the password (line " + std::to_string(kPasswordLine) +
                            ") is ignored: " + shown_token(scan_.token_at(scan_.pos())));
    }
    return std::move(result_);
  }

 private:
  void add(int line, std::string message) { result_.problems.push_back({line, std::move(message)}); }

  void value_missing() {
    if (missing_from_ == 0) missing_from_ = value_number_;
  }

  static constexpr int kPassword = -1;

  // Channel c's title, or the password for kPassword.
  std::string read_text(int channel) {
    const bool is_title = channel != kPassword;
    auto what = [channel] { return channel == kPassword ? std::string("password") : channel_label(channel) + " title"; };
    ++value_number_;
    scan_.skip_space();
    int line = scan_.line();
    if (scan_.at_end()) {
      value_missing();
      return std::string();
    }
    std::string_view raw = scan_.token();
    if (raw.size() > kTextBufferBytes) {
      add(line, what() + " of " + std::to_string(raw.size()) + " bytes cut to " +
                    std::to_string(kTextBufferBytes) + " bytes, the most a settings file holds");
      raw = raw.substr(0, kTextBufferBytes);
    }
    std::size_t nul = raw.find('\0');
    if (nul != std::string_view::npos) {
      add(line, what() + " contains a NUL byte; only the " + std::to_string(nul) + " bytes before it are kept");
      raw = raw.substr(0, nul);
    }
    std::string text(raw);
    if (is_title) {
      if (text == "s") return std::string();  // the empty-title marker
      if (static_cast<int>(text.size()) > kTitleMaxBytes) {
        add(line, what() + " is " + std::to_string(text.size()) + " bytes, more than " +
                      std::to_string(kTitleMaxBytes) + "; kept, but it cannot be sent until it is shortened");
      }
    } else if (static_cast<int>(text.size()) > kPasswordLength) {
      add(line, what() + " has " + std::to_string(text.size()) + " characters, more than " +
                    std::to_string(kPasswordLength) + "; the password settings keep only the first " +
                    std::to_string(kPasswordLength));
    }
    return text;
  }

  void read_int(const IntRun& run, int i, int* target) {
    ++value_number_;
    scan_.skip_space();
    int line = scan_.line();
    std::size_t at = scan_.pos();
    std::int64_t v = 0;
    std::string_view text;
    switch (scan_.number(&v, &text)) {
      case Scanner::Number::kEnd:
        value_missing();
        return;
      case Scanner::Number::kNotNumber:
        note_failure(run, at, line);
        return;
      case Scanner::Number::kValue:
        break;
    }
    if (failure_count_ > 0) flush_failure(false);
    if (v >= run.min && v <= run.max) {
      *target = stored_value(run, static_cast<int>(v), model_);
      return;
    }
    *target = run.default_for(i);
    add(line, std::string(run.what) + " " + std::string(text.substr(0, 24)) + (text.size() > 24 ? "..." : "") +
                  " out of range " + std::to_string(run.min) + ".." + std::to_string(run.max) +
                  ", reset to default " + std::to_string(*target));
  }

  // Failures on one token are gathered into one report (a lone sign is
  // consumed, so the next read fails one byte further on).
  void note_failure(const IntRun& run, std::size_t at, int line) {
    if (failure_count_ > 0 && at >= failure_at_ && at <= failure_at_ + failure_token_.size()) {
      ++failure_count_;
      return;
    }
    flush_failure(false);
    failure_at_ = at;
    failure_line_ = line;
    failure_count_ = 1;
    failure_what_ = run.what;
    failure_token_ = std::string(scan_.token_at(at));
  }

  // Returns true when the password will be read from the failing token.
  bool flush_failure(bool before_password) {
    if (failure_count_ == 0) return false;
    bool password_from_it = false;
    std::string message = shown_token(failure_token_) + " is not a number where the " + failure_what_ +
                          " belongs; ";
    if (failure_count_ == 1) {
      message += "that value keeps its previous setting";
    } else {
      message += "it and the " + std::to_string(failure_count_ - 1) +
                 " values after it keep their previous settings";
    }
    if (before_password) {
      scan_.skip_space();  // as the password read will
      password_from_it = !scan_.at_end();
      if (password_from_it) message += ", and the password is read from it";
    }
    add(failure_line_, message);
    failure_count_ = 0;
    return password_from_it;
  }

  // A file written with an empty password ends in an empty last line.
  bool password_line_was_empty() const {
    return scan_.breaks_since_last_token() >= 2;
  }

  void report_short_file() {
    std::string message = "the file ends early: values " + std::to_string(missing_from_) + " to " +
                          std::to_string(kSettingsFileLines) + " are missing; ";
    if (missing_from_ <= kMaxInputs) {
      message += "the missing titles and the password are empty and every number keeps its previous setting";
    } else if (missing_from_ < kPasswordLine) {
      message += "the missing numbers keep their previous settings and the password is empty";
    } else {
      message = "the file ends before the password (line " + std::to_string(kPasswordLine) +
                "); the password is empty";
    }
    add(0, message);
  }

  SwitcherSettings& s_;
  int model_;
  Scanner scan_;
  ReadResult result_;
  int value_number_ = 0;  // 1-based position of the value being read
  int missing_from_ = 0;  // first value the file did not supply, 0 when none
  std::size_t failure_at_ = 0;
  int failure_line_ = 0;
  int failure_count_ = 0;
  std::string failure_what_;
  std::string failure_token_;
};

}  // namespace

std::string describe(const FileProblem& problem) {
  if (problem.line <= 0) return problem.message;
  return "line " + std::to_string(problem.line) + ": " + problem.message;
}

ReadResult read_settings_text(SwitcherSettings& s, int model, const std::string& bytes) {
  return Reader(s, model, bytes).run();
}

}  // namespace klvc
