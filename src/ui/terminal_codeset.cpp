#include "ui/terminal_codeset.h"

#include <langinfo.h>

#include <cerrno>
#include <cstring>

namespace klvc::ui {

namespace {

std::string upper_without_dashes(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '-' || c == '_') continue;
    out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  return out;
}

// Converts all of `in` it can; returns false on a character `to` lacks or an
// input byte that is none of `from` (at `*used`, which tells how far it got).
bool convert(iconv_t cd, const char* in, std::size_t size, std::string* out, std::size_t* used, int* error) {
  char* src = const_cast<char*>(in);
  std::size_t left = size;
  char buf[4096];
  while (left > 0) {
    char* dst = buf;
    std::size_t room = sizeof buf;
    const std::size_t r = iconv(cd, &src, &left, &dst, &room);
    out->append(buf, static_cast<std::size_t>(dst - buf));
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      *error = errno;
      *used = size - left;
      return false;
    }
  }
  *used = size;
  return true;
}

std::size_t utf8_length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

std::unique_ptr<CodesetConverter> CodesetConverter::for_locale(std::string* error) {
  const char* codeset = nl_langinfo(CODESET);
  return for_codeset(codeset != nullptr ? codeset : "", error);
}

std::unique_ptr<CodesetConverter> CodesetConverter::for_codeset(const std::string& codeset, std::string* error) {
  error->clear();
  const std::string name = upper_without_dashes(codeset);
  // UTF-8 needs nothing; the C/POSIX locale's ASCII keeps the UTF-8 it always had.
  if (name.empty() || name == "UTF8" || name == "ANSIX3.41968" || name == "ASCII" || name == "USASCII") return nullptr;
  iconv_t out = iconv_open(codeset.c_str(), "UTF-8");
  iconv_t in = out == reinterpret_cast<iconv_t>(-1) ? out : iconv_open("UTF-8", codeset.c_str());
  if (in == reinterpret_cast<iconv_t>(-1)) {
    if (out != reinterpret_cast<iconv_t>(-1)) iconv_close(out);
    *error = "the terminal's character set " + codeset + " (from the locale) cannot be converted: " +
             std::strerror(errno) + " — run klvc in a UTF-8 terminal (for example LANG=ja_JP.UTF-8)";
    return nullptr;
  }
  return std::unique_ptr<CodesetConverter>(new CodesetConverter(out, in));
}

CodesetConverter::~CodesetConverter() {
  iconv_close(out_);
  iconv_close(in_);
}

std::string CodesetConverter::to_terminal(const std::string& utf8) {
  std::string out;
  std::size_t at = 0;
  while (at < utf8.size()) {
    std::size_t used = 0;
    int error = 0;
    if (convert(out_, utf8.data() + at, utf8.size() - at, &out, &used, &error)) break;
    at += used;
    iconv(out_, nullptr, nullptr, nullptr, nullptr);
    out += '?';  // a character the terminal's codeset lacks, or a cut one
    at += utf8_length(static_cast<unsigned char>(utf8[at]));
  }
  return out;
}

std::string CodesetConverter::from_terminal(std::string& bytes) {
  std::string out;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t used = 0;
    int error = 0;
    if (convert(in_, bytes.data() + at, bytes.size() - at, &out, &used, &error)) {
      at = bytes.size();
      break;
    }
    at += used;
    iconv(in_, nullptr, nullptr, nullptr, nullptr);
    if (error == EINVAL) break;  // the rest of this character comes with the next read
    ++at;                        // no character of the codeset: dropped
  }
  bytes.erase(0, at);
  return out;
}

}  // namespace klvc::ui
