// Reading the text form: `key = value` lines, blank lines and # comments.
// Titles and the password are quoted; every other value is one word, which
// a # comment may follow.
#include "common/escape.h"
#include "settings/settings_keys.h"
#include "settings/sjis.h"
#include "settings/store.h"
#include "settings/text_import.h"

namespace klvc {
namespace {

bool is_hex_digit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The text of a quoted value, with \" made a quote and the \\ and \xNN
// escapes left for the conversion to Shift-JIS, and what follows the closing
// quote. False with *error.
bool unquote(std::string_view value, std::string* text, std::string_view* after, std::string* error) {
  if (value.empty() || value[0] != '"') {
    *error = "the value must be in double quotes";
    return false;
  }
  text->clear();
  for (std::size_t i = 1; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '"') {
      *after = trim_blanks(value.substr(i + 1));
      return true;
    }
    if (c != '\\') {
      text->push_back(c);
      continue;
    }
    if (++i >= value.size()) break;
    const char e = value[i];
    if (e == '"') {
      text->push_back(e);
    } else if (e == '\\') {
      *text += "\\\\";
    } else if (e == 'x' && i + 2 < value.size() && is_hex_digit(value[i + 1]) && is_hex_digit(value[i + 2])) {
      *text += value.substr(i - 1, 4);
      i += 2;
    } else {
      *error = "unknown escape '\\" + shown(std::string(1, e)) +
               "' (write \\\" for a quote, \\\\ for a backslash, \\xNN for a byte)";
      return false;
    }
  }
  *error = "the closing double quote is missing";
  return false;
}

std::string password_problem(const std::string& password) {
  for (char c : password) {
    if (c <= ' ' || c >= 0x7F) {
      return "visible ASCII characters only (no blanks, no full-width characters)";
    }
  }
  if (static_cast<int>(password.size()) > kPasswordLength) {
    return std::to_string(password.size()) + " characters, more than " + std::to_string(kPasswordLength);
  }
  return std::string();
}

// One `key = value` line; false with *error.
bool read_setting(std::string_view key, std::string_view value, TitleCheck check, int number, TextParse* out,
                  std::string* error) {
  TextValue v{0, 0, std::string(), number};
  if (!parse_setting_key(key, &v.line, error)) return false;
  const std::string name = setting_key(v.line);
  auto fail = [&](const std::string& why) {
    *error = name + ": " + why;
    return false;
  };
  if (is_title_line(v.line) || v.line == kPasswordLine) {
    std::string utf8;
    std::string_view after;
    if (!unquote(value, &utf8, &after, error)) return fail(*error);
    if (!after.empty() && after[0] != '#') return fail("unexpected text after the closing quote");
    if (is_title_line(v.line)) {
      const std::string why = title_from_utf8(utf8, check, &v.text);
      if (!why.empty()) return fail(why);
    } else {
      const std::string why =
          sjis_from_escaped_utf8(utf8, &v.text) ? password_problem(v.text) : password_problem("\x80");
      if (!why.empty()) return fail(why);
      if (static_cast<int>(v.text.size()) < kPasswordLength) {
        out->notes.push_back({number, "the password has " + std::to_string(v.text.size()) +
                                          " characters; the switcher takes " + std::to_string(kPasswordLength) +
                                          ", so send-all will leave it out"});
      }
    }
  } else {
    int element = 0;
    const IntRun* run = run_at_line(v.line, &element);
    const std::string_view word = trim_blanks(value.substr(0, value.find('#')));
    if (word.empty()) return fail("the value is missing");
    if (!parse_setting_value(*run, word, &v.number, error)) return fail(*error);
  }
  out->values.push_back(std::move(v));
  return true;
}

}  // namespace

void parse_text_form(std::string_view utf8, TitleCheck check, TextParse* out) {
  int number = 0;
  int settings_lines = 0;
  int other_lines = 0;
  std::vector<FileProblem> errors;
  while (!utf8.empty()) {
    ++number;
    const std::size_t nl = utf8.find('\n');
    std::string_view line = utf8.substr(0, nl);
    utf8.remove_prefix(nl == std::string_view::npos ? utf8.size() : nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = trim_blanks(line);
    if (line.empty() || line[0] == '#') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      ++other_lines;
      errors.push_back({number, "expected 'key = value', as in 'route out01 = in01'"});
      continue;
    }
    ++settings_lines;
    std::string error;
    if (!read_setting(trim_blanks(line.substr(0, eq)), trim_blanks(line.substr(eq + 1)), check, number, out,
                      &error)) {
      errors.push_back({number, error});
    }
  }
  if (settings_lines == 0 && other_lines > 0) {
    // Not a text of ours at all (a settings file under another name, say): one message, not hundreds.
    errors = {{0, "no line reads 'key = value' and the first line is not 'channel,title': this is neither "
                  "the settings text nor a titles CSV (a settings file must be named *.dat)"}};
  }
  out->errors.insert(out->errors.end(), errors.begin(), errors.end());
}

}  // namespace klvc
