#include "settings/text_encoding.h"

#include <algorithm>

#include "common/text.h"
#include "settings/sjis.h"

namespace klvc {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";


// The kana that `base` followed by the voiced mark U+3099 (or, with `semi`,
// the semi-voiced mark U+309A) is written as in one character; 0 for none.
char32_t composed_kana(char32_t base, bool semi) {
  const char32_t offset = base >= 0x30A1 && base <= 0x30FE ? 0x60 : 0;  // katakana: hiragana's rows + 0x60
  const char32_t h = base - offset;
  if (h >= 0x306F && h <= 0x307D && (h - 0x306F) % 3 == 0) return base + (semi ? 2 : 1);  // は行
  if (semi) return 0;
  if ((h >= 0x304B && h <= 0x3062 && (h - 0x304B) % 2 == 0) || h == 0x3064 || h == 0x3066 || h == 0x3068) {
    return base + 1;  // か行 to た行
  }
  if (base == 0x3046) return 0x3094;                                 // ゔ
  if (base == 0x30A6) return 0x30F4;                                 // ヴ
  if (base >= 0x30EF && base <= 0x30F2) return base - 0x30EF + 0x30F7;  // ヷ ヸ ヹ ヺ
  if (base == 0x309D || base == 0x30FD) return base + 1;             // ゞ ヾ
  return 0;
}

// Decomposed kana (as some systems save file names and text) composed.
std::string compose_kana(const std::string& utf8) {
  if (utf8.find("\xE3\x82\x99") == std::string::npos && utf8.find("\xE3\x82\x9A") == std::string::npos) return utf8;
  std::string out;
  std::string_view in = utf8;
  char32_t last = 0;
  std::size_t last_at = 0;
  while (!in.empty()) {
    char32_t c = 0;
    const std::size_t n = utf8_char_at(in, &c);
    if ((c == 0x3099 || c == 0x309A) && last != 0) {
      if (const char32_t joined = composed_kana(last, c == 0x309A)) {
        out.resize(last_at);
        out += encode_utf8(joined);
        last = 0;
        in.remove_prefix(n);
        continue;
      }
    }
    last = c;
    last_at = out.size();
    out.append(in.substr(0, n));
    in.remove_prefix(n);
  }
  return out;
}

bool is_utf16(std::string_view in) {
  if (in.size() >= 2 && ((in[0] == '\xFF' && in[1] == '\xFE') || (in[0] == '\xFE' && in[1] == '\xFF'))) return true;
  // Without a mark: ASCII in UTF-16 is every other byte zero.
  std::size_t zeros = 0;
  const std::size_t look = std::min<std::size_t>(in.size(), 64);
  for (std::size_t i = 0; i < look; ++i) zeros += in[i] == '\0';
  return look >= 4 && zeros * 3 >= look;
}

}  // namespace

bool decode_text(const std::string& bytes, std::string* utf8, std::vector<FileProblem>* errors,
                 std::vector<FileProblem>* notes) {
  std::string_view in = bytes;
  if (is_utf16(in)) {
    errors->push_back({0, "the text is UTF-16 (a spreadsheet's \"Unicode text\"); save it as \"CSV UTF-8\" "
                          "(or the text as UTF-8) and import that"});
    return false;
  }
  if (in.substr(0, kByteOrderMark.size()) == kByteOrderMark) in.remove_prefix(kByteOrderMark.size());
  // The first line holding UTF-8 beyond ASCII, and the first that is not UTF-8.
  int utf8_line = 0;
  int other_line = 0;
  int line = 1;
  for (std::size_t i = 0; i < in.size();) {
    const std::size_t n = utf8_char_at(in.substr(i));
    if (n == 0) {
      if (other_line == 0) other_line = line;
      ++i;
      continue;
    }
    if (n > 1 && utf8_line == 0) utf8_line = line;
    line += in[i] == '\n';
    i += n;
  }
  if (other_line == 0) {
    *utf8 = compose_kana(std::string(in));
    return true;
  }
  if (utf8_line != 0) {
    errors->push_back({other_line, "this line is not UTF-8, but line " + std::to_string(utf8_line) +
                                       " is: one file holds one encoding; save the whole text as UTF-8"});
    return false;
  }
  *utf8 = sjis_to_utf8(in);
  if (utf8->find("\xEF\xBF\xBD") != std::string::npos) {  // U+FFFD: CP932 failed too
    errors->push_back({other_line, "the text is neither UTF-8 nor CP932 (Shift-JIS); save it as UTF-8"});
    return false;
  }
  notes->push_back({0, "not UTF-8 (first at line " + std::to_string(other_line) + "), so read as CP932 (Shift-JIS)"});
  *utf8 = compose_kana(*utf8);
  return true;
}

}  // namespace klvc
