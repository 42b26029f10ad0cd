// Writing a settings file: 1507 lines ending in CR LF, in the order the
// reader expects.
#include <charconv>

#include "settings/settings_file.h"
#include "settings/settings_layout.h"

namespace klvc {
namespace {

constexpr char kFullWidthSpace[] = "\x81\x40";

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string channel_name(int c) { return "channel " + std::to_string(c + 1); }

void append_line(std::string* out, std::string_view text) {
  out->append(text);
  out->append("\r\n");
}

void append_int_line(std::string* out, int value) {
  char digits[16];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  append_line(out, std::string_view(digits, end - digits));
}

// The title as one white-space-free token. Half-width white space would split
// the token on reading and shift every later value, so each such byte goes
// out as a full-width space, which the switcher shows the same way. Shift-JIS
// second bytes are never white space, so a byte test is enough.
bool title_token(int c, const std::string& title, std::string* token, std::string* error,
                 std::vector<std::string>* notes) {
  if (title.find('\0') != std::string::npos) {
    *error = "the title of " + channel_name(c) + " contains a NUL byte, which a settings file cannot hold";
    return false;
  }
  token->clear();
  int spaces = 0;
  for (char ch : title) {
    if (is_space(ch)) {
      token->append(kFullWidthSpace);
      ++spaces;
    } else {
      token->push_back(ch);
    }
  }
  if (static_cast<int>(token->size()) > kTextBufferBytes) {
    *error = "the title of " + channel_name(c) + " would take " + std::to_string(token->size()) +
             " bytes in the file" + (spaces ? " once its half-width spaces are written as full-width spaces" : "") +
             ", but a settings file holds at most " + std::to_string(kTextBufferBytes) +
             "; shorten the title and save again";
    return false;
  }
  if (notes && spaces > 0) {
    notes->push_back("the title of " + channel_name(c) + ": " + std::to_string(spaces) +
                     " half-width space" + (spaces > 1 ? "s" : "") + " written as full-width space" +
                     (spaces > 1 ? "s" : ""));
  }
  if (token->empty()) {
    token->assign("s");  // the empty-title marker
  } else if (*token == "s" && notes) {
    notes->push_back("the title of " + channel_name(c) +
                     " is the single letter s, which the settings file reads back as an empty title");
  }
  return true;
}

bool password_token(const std::string& password, std::string* error) {
  for (char ch : password) {
    if (ch == '\0') {
      *error = "the password contains a NUL byte, which a settings file cannot hold";
      return false;
    }
    if (is_space(ch)) {
      *error = "the password contains a space, which a settings file cannot hold (it would be cut there "
               "when the file is read); change the password and save again";
      return false;
    }
  }
  if (static_cast<int>(password.size()) > kTextBufferBytes) {
    *error = "the password is " + std::to_string(password.size()) + " bytes, more than the " +
             std::to_string(kTextBufferBytes) + " a settings file holds";
    return false;
  }
  return true;
}

}  // namespace

bool settings_file_text(const SwitcherSettings& s, int model, std::string* bytes, std::string* error,
                        std::vector<std::string>* notes) {
  std::string out;
  out.reserve(8192);
  std::string token;
  for (int c = 0; c < kMaxInputs; ++c) {
    if (!title_token(c, s.channel_titles[c], &token, error, notes)) return false;
    append_line(&out, token);
  }
  for (const IntRun& run : kIntRuns) {
    const int* values = run.values_of(s);
    for (int i = 0; i < run.count; ++i) append_int_line(&out, file_value(run, values[i], model));
  }
  if (!password_token(s.panel_password, error)) return false;
  append_line(&out, s.panel_password);  // an empty password leaves an empty last line
  *bytes = std::move(out);
  return true;
}

}  // namespace klvc
