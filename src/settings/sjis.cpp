#include "settings/sjis.h"

#include <iconv.h>

#include <cerrno>

namespace klvc {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// One iconv conversion descriptor, closed on every path.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of `in` as it can and appends it to *out. Returns 0 when
  // all of it converted, otherwise errno (EILSEQ or EINVAL) with `in`
  // advanced to the byte that stopped it.
  int convert(std::string_view* in, std::string* out) {
    char chunk[256];
    while (!in->empty()) {
      char* src = const_cast<char*>(in->data());
      std::size_t src_left = in->size();
      char* dst = chunk;
      std::size_t dst_left = sizeof chunk;
      std::size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
      int err = r == static_cast<std::size_t>(-1) ? errno : 0;
      out->append(chunk, dst - chunk);
      in->remove_prefix(in->size() - src_left);
      if (err != 0 && err != E2BIG) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        return err;
      }
    }
    return 0;
  }

 private:
  iconv_t cd_;
};

// Bytes of the UTF-8 character that starts `text`; 1 for a byte that does not
// start a complete character.
std::size_t utf8_char_length(std::string_view text) {
  unsigned char lead = static_cast<unsigned char>(text[0]);
  if (lead < 0xC2 || lead > 0xF4) return 1;
  std::size_t n = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (n > text.size()) return 1;
  for (std::size_t i = 1; i < n; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

}  // namespace

bool utf8_to_sjis(std::string_view utf8, std::string* sjis, std::string* bad) {
  sjis->clear();
  if (bad) bad->clear();
  Converter conv("CP932", "UTF-8");
  if (!conv.ok()) {
    // Without the converter only plain ASCII can be trusted.
    for (std::size_t i = 0; i < utf8.size(); ++i) {
      if (static_cast<unsigned char>(utf8[i]) >= 0x80) {
        if (bad) *bad = std::string(utf8.substr(i, utf8_char_length(utf8.substr(i))));
        return false;
      }
      sjis->push_back(utf8[i]);
    }
    return true;
  }
  std::string_view rest = utf8;
  if (conv.convert(&rest, sjis) == 0) return true;
  if (bad) *bad = std::string(rest.substr(0, utf8_char_length(rest)));
  return false;
}

std::string sjis_to_utf8(std::string_view sjis) {
  std::string out;
  Converter conv("UTF-8", "CP932");
  std::string_view rest = sjis;
  while (!rest.empty()) {
    if (!conv.ok()) {
      unsigned char c = static_cast<unsigned char>(rest[0]);
      if (c < 0x80) {
        out.push_back(rest[0]);
      } else {
        out += kReplacement;
      }
      rest.remove_prefix(1);
      continue;
    }
    if (conv.convert(&rest, &out) == 0) break;
    // Skip one byte only: a broken pair's second byte may be a character itself.
    out += kReplacement;
    rest.remove_prefix(1);
  }
  return out;
}

std::size_t sjis_byte_length(std::string_view utf8) {
  Converter conv("CP932", "UTF-8");
  std::size_t total = 0;
  std::string out;
  while (!utf8.empty()) {
    std::size_t n = utf8_char_length(utf8);
    std::string_view ch = utf8.substr(0, n);
    out.clear();
    bool mapped = conv.ok() ? conv.convert(&ch, &out) == 0
                            : static_cast<unsigned char>(utf8[0]) < 0x80 && (out = "?", true);
    total += mapped ? out.size() : 2;
    utf8.remove_prefix(n);
  }
  return total;
}

namespace {

bool is_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool is_trail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

void append_hex(std::string* out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  *out += "\\x";
  *out += kHex[c >> 4];
  *out += kHex[c & 0xF];
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string sjis_to_escaped_utf8(std::string_view sjis) {
  std::string out;
  Converter conv("UTF-8", "CP932");
  while (!sjis.empty()) {
    const auto c = static_cast<unsigned char>(sjis[0]);
    const std::size_t n = is_lead(c) && sjis.size() > 1 && is_trail(static_cast<unsigned char>(sjis[1])) ? 2 : 1;
    std::string_view ch = sjis.substr(0, n);
    std::string utf8;
    const bool control = n == 1 && (c < 0x20 || c == 0x7F);
    if (c == '\\') {
      out += "\\\\";
    } else if (!control && (c < 0x80 || (conv.ok() && conv.convert(&ch, &utf8) == 0))) {
      out += c < 0x80 ? std::string(1, static_cast<char>(c)) : utf8;
    } else {
      for (std::size_t i = 0; i < n; ++i) append_hex(&out, static_cast<unsigned char>(sjis[i]));
    }
    sjis.remove_prefix(n);
  }
  return out;
}

bool sjis_from_escaped_utf8(std::string_view utf8, std::string* sjis, std::string* bad) {
  sjis->clear();
  if (bad) bad->clear();
  while (!utf8.empty()) {
    const std::size_t esc = utf8.find('\\');
    std::string part;
    if (!utf8_to_sjis(utf8.substr(0, esc), &part, bad)) return false;
    *sjis += part;
    if (esc == std::string_view::npos) return true;
    utf8.remove_prefix(esc);
    if (utf8.size() >= 2 && utf8[1] == '\\') {
      *sjis += '\\';
      utf8.remove_prefix(2);
    } else if (utf8.size() >= 4 && utf8[1] == 'x' && hex_value(utf8[2]) >= 0 && hex_value(utf8[3]) >= 0) {
      *sjis += static_cast<char>(hex_value(utf8[2]) * 16 + hex_value(utf8[3]));
      utf8.remove_prefix(4);
    } else {
      if (bad) *bad = "\\";
      return false;
    }
  }
  return true;
}

}  // namespace klvc
