#include "settings/settings_keys.h"

#include "common/text.h"

#include <cstdio>
#include <vector>

namespace klvc {
namespace {

// One numbered word of a key: "out03" names output 3 of 16.
struct LabelPart {
  const char* prefix;
  int width;
  int count;
  const char* noun;
};

constexpr LabelPart kChannelPart{"ch", 2, kMaxInputs, "channel"};
constexpr LabelPart kInputPart{"in", 2, kMaxInputs, "input"};
constexpr LabelPart kOutputPart{"out", 2, kMaxOutputs, "output"};
constexpr LabelPart kAlarmInputPart{"term", 2, kMaxAlarmInputTerminals, "alarm input terminal"};
constexpr LabelPart kAlarmOutputPart{"term", 1, kMaxAlarmOutputTerminals, "alarm output terminal"};

// The words after the key's name; an element of two words is index first * count of second + second.
std::vector<LabelPart> label_parts(ElementLabel label) {
  switch (label) {
    case ElementLabel::kNone: return {};
    case ElementLabel::kChannel: return {kChannelPart};
    case ElementLabel::kInput: return {kInputPart};
    case ElementLabel::kOutput: return {kOutputPart};
    case ElementLabel::kAlarmInputTerminal: return {kAlarmInputPart};
    case ElementLabel::kInputOutput: return {kInputPart, kOutputPart};
    case ElementLabel::kChannelTerminal: return {kChannelPart, kAlarmOutputPart};
  }
  return {};
}

// How a value is written: one of two words, or a one-based number between a
// prefix and a unit.
struct ValueForm {
  const char* words[2];
  const char* prefix;
  const char* unit;
  int width;
};

ValueForm value_form(ValueShown shown) {
  switch (shown) {
    case ValueShown::kOnOff: return {{"OFF", "ON"}, "", "", 0};
    case ValueShown::kSkipLive: return {{"SKIP", "LIVE"}, "", "", 0};
    case ValueShown::kMakeBreak: return {{"MAKE", "BREAK"}, "", "", 0};
    case ValueShown::kChannel: return {{nullptr, nullptr}, "ch", "", 2};
    case ValueShown::kRoute: return {{nullptr, nullptr}, "in", "", 2};
    case ValueShown::kSeconds: return {{nullptr, nullptr}, "", "s", 1};
    case ValueShown::kHoldTime: return {{nullptr, nullptr}, "", "", 2};
    case ValueShown::kAlarmInputTerminal: return {{nullptr, nullptr}, "term", "", 2};
    case ValueShown::kAlarmOutputTerminal: return {{nullptr, nullptr}, "term", "", 1};
  }
  return {{nullptr, nullptr}, "", "", 1};
}

std::string numbered(const char* prefix, int n, int width, const char* unit = "") {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%0*d%s", prefix, width, n, unit);
  return buf;
}

bool starts_with_letters(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && same_ignoring_case(text.substr(0, prefix.size()), prefix);
}

// "out03" -> 3. The prefix may be optional; -1 when the word is not such a
// number; numbers too long to matter come back as a large value.
long numbered_value(std::string_view word, std::string_view prefix, std::string_view unit, bool affixes_optional) {
  if (starts_with_letters(word, prefix)) {
    word.remove_prefix(prefix.size());
  } else if (!affixes_optional) {
    return -1;
  }
  if (!unit.empty() && word.size() > unit.size() &&
      same_ignoring_case(word.substr(word.size() - unit.size()), unit)) {
    word.remove_suffix(unit.size());
  }
  if (word.empty()) return -1;
  long n = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return -1;
    if (n < 1000000) n = n * 10 + (c - '0');
  }
  return n;
}

std::vector<std::string_view> words_of(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

std::string label_example(const std::vector<LabelPart>& parts) {
  std::string s;
  for (const LabelPart& p : parts) s += std::string(" ") + numbered(p.prefix, 1, p.width);
  return s;
}

}  // namespace

const IntRun* run_at_line(int line, int* element) {
  for (const IntRun& run : kIntRuns) {
    if (line >= run.first_line && line < run.first_line + run.count) {
      *element = line - run.first_line;
      return &run;
    }
  }
  return nullptr;
}

std::string setting_key(int line) {
  if (is_title_line(line)) return "title " + numbered("ch", line - kTitlesFirstLine + 1, 2);
  if (line == kPasswordLine) return "password";
  int i = 0;
  const IntRun* run = run_at_line(line, &i);
  if (!run) return std::string();
  const std::vector<LabelPart> parts = label_parts(run->label);
  std::string labels;
  for (std::size_t k = parts.size(); k-- > 0; i /= parts[k].count) {
    labels = " " + numbered(parts[k].prefix, i % parts[k].count + 1, parts[k].width) + labels;
  }
  return run->key + labels;
}

std::string value_text(ValueShown shown, int value) {
  const ValueForm form = value_form(shown);
  if (form.words[0]) return value == 0 || value == 1 ? form.words[value] : std::to_string(value);
  return numbered(form.prefix, value + 1, form.width, form.unit);
}

std::string value_note(ValueShown shown, int value) {
  if (shown != ValueShown::kRoute) return std::string();
  for (int m = 0; m < kModelCount; ++m) {
    if (value == input_count_for(m)) return std::string("Auto on ") + model_name(m);
  }
  return std::string();
}

bool parse_setting_key(std::string_view key, int* line, std::string* error) {
  const std::vector<std::string_view> words = words_of(key);
  if (words.empty()) {
    *error = "a setting's name is missing before '='";
    return false;
  }
  std::vector<LabelPart> parts;
  int first_line = 0;
  if (same_ignoring_case(words[0], "title")) {
    parts = {kChannelPart};
    first_line = kTitlesFirstLine;
  } else if (same_ignoring_case(words[0], "password")) {
    first_line = kPasswordLine;
  } else {
    for (const IntRun& run : kIntRuns) {
      if (same_ignoring_case(words[0], run.key)) {
        parts = label_parts(run.label);
        first_line = run.first_line;
      }
    }
  }
  const std::string name(words[0]);
  if (first_line == 0) {
    *error = "unknown setting '" + name + "'";
    return false;
  }
  if (words.size() != parts.size() + 1) {
    *error = parts.empty() ? "'" + name + "' is a single setting; write '" + name + " = ...'"
                           : "'" + name + "' needs to say which one, as in '" + name + label_example(parts) + "'";
    return false;
  }
  int index = 0;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const LabelPart& p = parts[k];
    const long n = numbered_value(words[k + 1], p.prefix, "", false);
    const std::string range = numbered(p.prefix, 1, p.width) + ".." + numbered(p.prefix, p.count, p.width);
    if (n < 0) {
      *error = "'" + std::string(words[k + 1]) + "' in '" + name + "' is not one of " + range;
      return false;
    }
    if (n < 1 || n > p.count) {
      *error = std::string(p.noun) + " " + std::to_string(n) +
               (n < 1 ? " does not exist" : " is beyond the largest model") + " (" + range + ")";
      return false;
    }
    index = index * p.count + static_cast<int>(n - 1);
  }
  *line = first_line + index;
  return true;
}

bool parse_setting_value(const IntRun& run, std::string_view text, int* value, std::string* error) {
  const ValueForm form = value_form(run.shown);
  if (form.words[0]) {
    for (int v = 0; v < 2; ++v) {
      if (same_ignoring_case(text, form.words[v]) && v >= run.min && v <= run.max) {
        *value = v;
        return true;
      }
    }
    *error = "'" + std::string(text) + "' is not " + form.words[1] + " or " + form.words[0];
    return false;
  }
  const std::string range = value_text(run.shown, run.min) + ".." + value_text(run.shown, run.max);
  const long n = numbered_value(text, form.prefix, form.unit, true);
  if (n < 0) {
    *error = "'" + std::string(text) + "' is not a value in " + range;
    return false;
  }
  if (n - 1 < run.min || n - 1 > run.max) {
    *error = "'" + std::string(text) + "' is out of range " + range;
    return false;
  }
  *value = static_cast<int>(n - 1);
  return true;
}

}  // namespace klvc
