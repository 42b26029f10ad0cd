#include "dialogs/channel_title.h"

#include <array>

#include "dialogs/command_fields.h"
#include "dialogs/jis.h"
#include "link/link.h"
#include "settings/sjis.h"
#include "settings/store.h"

namespace klvc {

const char* const kTitleNotJisText = "ＪＩＳ第１水準,第２水準以外の字が選択されてます";
const char* const kTitleOutsideSetText = "仕様以外の字が選択されてます";

namespace {

constexpr char kFullWidthSpace[] = "\x81\x40";
constexpr char kTitleTemplate[] = "CA012121212121212121212121212121212121212121212121212121212121212121\r\n";
constexpr std::size_t kCodesAt = 4;
constexpr int kTitleChars = kTitleMaxBytes / 2;

// A title of one half-width space counts as one full-width space; the rest is
// padded with full-width spaces to 32 bytes. False when the byte count is odd
// or above 32.
bool pad_title(std::string* work) {
  if (*work == " ") *work = kFullWidthSpace;
  const std::size_t n = work->size();
  if (n > static_cast<std::size_t>(kTitleMaxBytes) || n % 2 != 0) return false;
  for (std::size_t i = n; i < static_cast<std::size_t>(kTitleMaxBytes); i += 2) *work += kFullWidthSpace;
  return true;
}

// The 16 JIS codes of a padded title: nullptr when all are accepted,
// otherwise the warning that refuses the title.
const char* title_codes(const std::string& title, std::array<int, kTitleChars>* codes) {
  if (title.size() != static_cast<std::size_t>(kTitleMaxBytes)) return kTitleNotJisText;
  for (int k = 0; k < kTitleChars; ++k) {
    const auto s1 = static_cast<unsigned char>(title[static_cast<std::size_t>(2 * k)]);
    const auto s2 = static_cast<unsigned char>(title[static_cast<std::size_t>(2 * k + 1)]);
    (*codes)[static_cast<std::size_t>(k)] = sjis_to_jis(s1, s2);
    if ((*codes)[static_cast<std::size_t>(k)] == 0) return kTitleNotJisText;
  }
  return check_jis_codes(*codes) == kJisAccepted ? nullptr : kTitleOutsideSetText;
}

// The first character of `sjis` at `i` in UTF-8, for messages.
std::string char_at(const std::string& sjis, std::size_t i, std::size_t bytes) {
  const std::string_view ch = std::string_view(sjis).substr(i, bytes);
  return "\xE3\x80\x8C" + (ch == "\\" ? std::string(ch) : sjis_to_escaped_utf8(ch)) + "\xE3\x80\x8D";  // 「x」
}

}  // namespace

TitleCommand title_command(int channel, const std::string& sjis_title) {
  TitleCommand out;
  std::string padded = sjis_title;
  if (channel < 0 || channel >= kMaxInputs || !pad_title(&padded)) {
    out.refused = kTitleNotJisText;
    return out;
  }
  std::array<int, kTitleChars> codes{};
  if ((out.refused = title_codes(padded, &codes)) != nullptr) return out;

  out.line = kTitleTemplate;
  put_two_digits(out.line, 2, channel + 1);
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (int k = 0; k < kTitleChars; ++k) {
    const int code = codes[static_cast<std::size_t>(k)];
    for (int d = 0; d < 4; ++d) {
      out.line[kCodesAt + static_cast<std::size_t>(4 * k + d)] = kHex[(code >> (12 - 4 * d)) & 0xF];
    }
  }
  return out;
}

std::string title_problem(const std::string& sjis) {
  std::string padded = sjis;
  std::array<int, kTitleChars> codes{};
  if (pad_title(&padded) && title_codes(padded, &codes) == nullptr) return std::string();
  // Refused as the dialog refuses it; now say why, naming the character.
  std::size_t chars = 0;
  for (std::size_t i = 0; i < sjis.size(); ++chars) {
    const auto s1 = static_cast<unsigned char>(sjis[i]);
    const bool lead = (s1 >= 0x81 && s1 <= 0x9F) || (s1 >= 0xE0 && s1 <= 0xFC);
    if (!lead || i + 1 >= sjis.size()) {
      return char_at(sjis, i, 1) + " is a half-width character; a title takes full-width characters only";
    }
    const int code = sjis_to_jis(s1, static_cast<unsigned char>(sjis[i + 1]));
    if (code == 0 || is_accepted_jis_code(code) != kJisAccepted) {
      return char_at(sjis, i, 2) + " is not among the characters the switcher can show (JIS X 0208 levels 1 and 2)";
    }
    i += 2;
  }
  if (chars > static_cast<std::size_t>(kTitleChars)) {
    return std::to_string(chars) + " characters, more than the " + std::to_string(kTitleChars) + " a title holds";
  }
  return kTitleNotJisText;
}

}  // namespace klvc
