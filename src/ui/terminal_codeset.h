// The terminal's own character set. The screen is drawn in UTF-8; a terminal
// whose locale names another codeset (EUC-JP, Shift_JIS) gets its frames
// converted to it, and its keys converted back, with iconv.
#pragma once

#include <iconv.h>

#include <memory>
#include <string>

namespace klvc::ui {

class CodesetConverter {
 public:
  // For the codeset of the current locale (nl_langinfo(CODESET)): nullptr
  // with *error empty when none is needed (UTF-8, or the plain ASCII of the
  // C/POSIX locale, which keeps UTF-8); nullptr with *error set when the
  // codeset is one iconv cannot convert.
  static std::unique_ptr<CodesetConverter> for_locale(std::string* error);
  // The same for a named codeset.
  static std::unique_ptr<CodesetConverter> for_codeset(const std::string& codeset, std::string* error);
  ~CodesetConverter();
  CodesetConverter(const CodesetConverter&) = delete;
  CodesetConverter& operator=(const CodesetConverter&) = delete;

  // A frame for the terminal; a character the codeset lacks becomes "?".
  std::string to_terminal(const std::string& utf8);
  // Keys from the terminal as UTF-8. Takes what it converts from `bytes`; a
  // character cut at the end stays there for the next read, a byte that is no
  // character of the codeset is dropped.
  std::string from_terminal(std::string& bytes);

 private:
  CodesetConverter(iconv_t out, iconv_t in) : out_(out), in_(in) {}
  iconv_t out_;
  iconv_t in_;
};

}  // namespace klvc::ui
