// Writing the store as text: the text form, the titles CSV and the list of
// differences. Texts are shown in UTF-8; bytes of a title that no code page
// maps, and control characters, are written as \xNN, so nothing is lost and
// nothing reaches a terminal that acts on it.
#include <cstdio>

#include "settings/settings_keys.h"
#include "settings/settings_text.h"
#include "settings/sjis.h"

namespace klvc {
namespace {

constexpr char kFullWidthSpaceUtf8[] = "\xE3\x80\x80";

const char kTextHeader[] =
    "KLVC settings: UTF-8 text, one setting per line as key = value; lines that\n"
    "start with # are comments, and so is a # after a value. `klvc file import`\n"
    "reads it back; settings left out keep the values of --base FILE.dat, or the\n"
    "defaults.";
const char kTitlesGroup[] =
    "Channel titles: up to 16 full-width characters in double quotes (\\\" is a\n"
    "quote, \\\\ a backslash, \\xNN a byte no code page maps or a control).";
const char kPasswordGroup[] = "The front-panel password: six visible ASCII characters in double quotes.";

// Shift-JIS bytes as "text": escaped as sjis_to_escaped_utf8 does, a quote as \".
std::string quoted(const std::string& sjis) {
  std::string out = "\"";
  for (char c : sjis_to_escaped_utf8(sjis)) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

void append_comment(std::string* out, const char* text) {
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t nl = rest.find('\n');
    *out += "# ";
    *out += rest.substr(0, nl);
    *out += '\n';
    if (nl == std::string_view::npos) break;
    rest.remove_prefix(nl + 1);
  }
}

bool starts_or_ends_with_blank(const std::string& s) {
  auto blank_at = [&s](std::size_t i) {
    return s[i] == ' ' || s[i] == '\t' || s.compare(i, 3, kFullWidthSpaceUtf8) == 0;
  };
  return !s.empty() && (blank_at(0) || (s.size() >= 3 && blank_at(s.size() - 3)) || blank_at(s.size() - 1));
}

// A CSV field quoted when it must be, or when blanks at its ends could be
// lost to a spreadsheet.
std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n\\") == std::string::npos && !starts_or_ends_with_blank(text)) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string shown(const SettingText& s) { return s.note.empty() ? s.value : s.value + " (" + s.note + ")"; }

}  // namespace

std::vector<SettingText> settings_as_text(const SwitcherSettings& s, int model) {
  std::vector<SettingText> out;
  out.reserve(kSettingsFileLines);
  for (int c = 0; c < kMaxInputs; ++c) {
    const int line = kTitlesFirstLine + c;
    out.push_back({line, setting_key(line), quoted(s.channel_titles[c]), ""});
  }
  for (const IntRun& run : kIntRuns) {
    const int* values = run.values_of(s);
    for (int i = 0; i < run.count; ++i) {
      const int line = run.first_line + i;
      const int value = file_value(run, values[i], model);
      out.push_back({line, setting_key(line), value_text(run.shown, value), value_note(run.shown, value)});
    }
  }
  out.push_back({kPasswordLine, setting_key(kPasswordLine), quoted(s.panel_password), ""});
  return out;
}

std::string settings_text(const SwitcherSettings& settings, int model) {
  std::string out;
  append_comment(&out, kTextHeader);
  for (const SettingText& s : settings_as_text(settings, model)) {
    int element = 0;
    const IntRun* run = run_at_line(s.line, &element);
    const char* group = s.line == kTitlesFirstLine ? kTitlesGroup
                        : s.line == kPasswordLine  ? kPasswordGroup
                        : run && element == 0      ? run->group
                                                   : nullptr;
    if (group) {
      out += '\n';
      append_comment(&out, group);
    }
    out += s.key + " = " + s.value;
    if (!s.note.empty()) out += "  # " + s.note;
    out += '\n';
  }
  return out;
}

std::string titles_csv(const SwitcherSettings& s) {
  std::string out = "channel,title\r\n";
  for (int c = 0; c < kMaxInputs; ++c) {
    out += std::to_string(c + 1) + "," + csv_field(sjis_to_escaped_utf8(s.channel_titles[c])) + "\r\n";
  }
  return out;
}

std::vector<std::string> settings_differences(const std::vector<SettingText>& a,
                                              const std::vector<SettingText>& b) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (a[i].value != b[i].value) out.push_back(a[i].key + ": " + shown(a[i]) + " -> " + shown(b[i]));
  }
  return out;
}

}  // namespace klvc
