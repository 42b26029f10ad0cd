// Importing a text: decoding it, recognising its kind, refusing settings set
// twice, and applying the values only when nothing was wrong.
#include <algorithm>
#include <cstdio>

#include "settings/settings_keys.h"
#include "settings/sjis.h"
#include "settings/store.h"
#include "settings/text_import.h"

namespace klvc {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Bytes of the well-formed UTF-8 character at the start of `s` (no overlong
// forms, no surrogates), or 0.
std::size_t utf8_char_at(std::string_view s, char32_t* code = nullptr) {
  const auto b = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = b(0);
  if (lead < 0x80) {
    if (code) *code = lead;
    return 1;
  }
  std::size_t n = 0;
  char32_t c = 0;
  char32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2, c = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3, c = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4, c = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((b(i) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b(i) & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  if (code) *code = c;
  return n;
}

// Offset of the first byte that is not well-formed UTF-8, or npos.
std::size_t first_bad_utf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t n = utf8_char_at(s.substr(i));
    if (n == 0) return i;
    i += n;
  }
  return std::string_view::npos;
}

int line_at(std::string_view s, std::size_t offset) {
  int line = 1;
  for (std::size_t i = 0; i < offset && i < s.size(); ++i) line += s[i] == '\n';
  return line;
}

// The text as UTF-8: as it is when it is UTF-8, else read as CP932.
bool decode(const std::string& bytes, std::string* utf8, TextImport* result) {
  std::string_view in = bytes;
  if (in.substr(0, kByteOrderMark.size()) == kByteOrderMark) in.remove_prefix(kByteOrderMark.size());
  const std::size_t bad = first_bad_utf8(in);
  if (bad == std::string_view::npos) {
    utf8->assign(in);
    return true;
  }
  const int line = line_at(in, bad);
  *utf8 = sjis_to_utf8(in);
  if (utf8->find("\xEF\xBF\xBD") != std::string::npos) {  // U+FFFD: CP932 failed too
    result->errors.push_back({line, "the text is neither UTF-8 nor CP932 (Shift-JIS); save it as UTF-8"});
    return false;
  }
  result->notes.push_back({0, "not UTF-8 (first at line " + std::to_string(line) + "), so read as CP932 (Shift-JIS)"});
  return true;
}

std::string char_name(std::string_view utf8_char) {
  char32_t code = 0;
  const std::size_t n = utf8_char.empty() ? 0 : utf8_char_at(utf8_char, &code);
  char buf[16] = "";
  if (n > 0) std::snprintf(buf, sizeof buf, " (U+%04X)", static_cast<unsigned>(code));
  return "\xE3\x80\x8C" + std::string(utf8_char) + "\xE3\x80\x8D" + buf;  // 「x」
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
  if (!utf8_to_sjis(utf8, sjis, &bad)) return char_name(bad) + " has no Shift-JIS (CP932) form";
  return check ? check(*sjis) : std::string();
}

TextImport import_settings_text(SwitcherSettings& s, int model, const std::string& bytes, TitleCheck check) {
  TextImport result;
  std::string utf8;
  if (!decode(bytes, &utf8, &result)) return result;
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

TextImport import_settings_text(const std::string& bytes, TitleCheck check) {
  return import_settings_text(store(), store().model_index, bytes, check);
}

}  // namespace klvc
