// Importing a text: decoding it, recognising its kind, refusing settings set
// twice, and applying the values only when nothing was wrong.
#include <algorithm>
#include <cstdio>

#include "common/escape.h"
#include "settings/settings_keys.h"
#include "settings/sjis.h"
#include "settings/store.h"
#include "settings/text_encoding.h"
#include "settings/text_import.h"

namespace klvc {
namespace {

std::string char_name(std::string_view utf8_char) {
  char32_t code = 0;
  const std::size_t n = utf8_char.empty() ? 0 : utf8_char_at(utf8_char, &code);
  char buf[16] = "";
  if (n > 0) std::snprintf(buf, sizeof buf, " (U+%04X)", static_cast<unsigned>(code));
  return "\xE3\x80\x8C" + shown(utf8_char) + "\xE3\x80\x8D" + buf;  // 「x」
}

void apply(const std::vector<TextValue>& values, SwitcherSettings& s, int model) {
  for (const TextValue& v : values) {
    int element = 0;
    if (is_title_line(v.line)) {
      s.channel_titles[static_cast<std::size_t>(v.line - kTitlesFirstLine)] = v.text;
    } else if (v.line == kPasswordLine) {
      s.panel_password = v.text;
    } else if (const IntRun* run = run_at_line(v.line, &element)) {
      run->values(s)[element] = stored_value(*run, v.number, model);
    }
  }
}

// A setting given twice is refused at its second line.
void refuse_repeats(bool csv, TextParse* parse) {
  std::vector<int> first(kSettingsFileLines + 1, 0);
  for (const TextValue& v : parse->values) {
    int& seen = first[static_cast<std::size_t>(v.line)];
    if (seen == 0) {
      seen = v.source_line;
      continue;
    }
    const std::string what = csv ? "channel " + std::to_string(v.line - kTitlesFirstLine + 1) + " is listed"
                                 : "'" + setting_key(v.line) + "' is set";
    parse->errors.push_back({v.source_line, what + " again (first on line " + std::to_string(seen) + ")"});
  }
}

}  // namespace

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string title_from_utf8(std::string_view utf8, TitleCheck check, std::string* sjis) {
  std::string bad;
  if (!sjis_from_escaped_utf8(utf8, sjis, &bad)) {
    if (bad == "\\") return "a backslash starts no escape here (write \\\\ for a backslash, \\xNN for a byte)";
    return char_name(bad) + " has no Shift-JIS (CP932) form";
  }
  if (!check) return std::string();
  for (char c : *sjis) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return "the control character " + shown(std::string(1, c)) + " cannot be in a title";
  }
  return check(*sjis);
}

TextImport import_settings_text(SwitcherSettings& s, int model, const std::string& bytes, TitleCheck check) {
  TextImport result;
  std::string utf8;
  if (!decode_text(bytes, &utf8, &result.errors, &result.notes)) return result;
  result.titles_csv = is_titles_csv(utf8);
  TextParse parse;
  if (result.titles_csv) {
    parse_titles_csv(utf8, check, &parse);
  } else {
    parse_text_form(utf8, check, &parse);
  }
  refuse_repeats(result.titles_csv, &parse);
  std::stable_sort(parse.errors.begin(), parse.errors.end(),
                   [](const FileProblem& a, const FileProblem& b) { return a.line < b.line; });
  result.notes.insert(result.notes.end(), parse.notes.begin(), parse.notes.end());
  result.errors = std::move(parse.errors);
  if (!result.errors.empty()) return result;
  apply(parse.values, s, model);
  result.settings = static_cast<int>(parse.values.size());
  return result;
}

}  // namespace klvc
