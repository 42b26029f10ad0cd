#include "dialogs/channel_title.h"

#include <array>

#include "dialogs/command_fields.h"
#include "dialogs/jis.h"
#include "link/link.h"
#include "settings/store.h"

namespace klvc {

const char* const kTitleNotJisText = "ＪＩＳ第１水準,第２水準以外の字が選択されてます";
const char* const kTitleOutsideSetText = "仕様以外の字が選択されてます";

namespace {

constexpr char kFullWidthSpace[] = "\x81\x40";
constexpr char kTitleTemplate[] = "CA012121212121212121212121212121212121212121212121212121212121212121\r\n";
constexpr std::size_t kCodesAt = 4;
constexpr int kTitleChars = kTitleMaxBytes / 2;

std::string& padded() {
  static std::string text;
  return text;
}

}  // namespace

const std::string& padded_title() { return padded(); }

int pad_channel_title(int channel) {
  std::string& work = padded();
  if (channel < 0 || channel >= kMaxInputs) {
    work.clear();
    return 0;
  }
  work = store().channel_titles[static_cast<std::size_t>(channel)];
  if (work == " ") work = kFullWidthSpace;
  const std::size_t n = work.size();
  if (n > static_cast<std::size_t>(kTitleMaxBytes) || n % 2 != 0) return 0;
  for (std::size_t i = n; i < static_cast<std::size_t>(kTitleMaxBytes); i += 2) work += kFullWidthSpace;
  return 1;
}

int channel_title_command(int channel, std::string* line) {
  const std::string& title = padded();
  if (channel < 0 || channel >= kMaxInputs) return kTitleNotJis;
  if (title.size() != static_cast<std::size_t>(kTitleMaxBytes)) return kTitleNotJis;

  std::array<int, kTitleChars> codes{};
  for (int k = 0; k < kTitleChars; ++k) {
    const auto s1 = static_cast<unsigned char>(title[static_cast<std::size_t>(2 * k)]);
    const auto s2 = static_cast<unsigned char>(title[static_cast<std::size_t>(2 * k + 1)]);
    codes[static_cast<std::size_t>(k)] = sjis_to_jis(s1, s2);
    if (codes[static_cast<std::size_t>(k)] == 0) return kTitleNotJis;
  }
  if (check_jis_codes(codes) != kJisAccepted) return kTitleOutsideSet;

  std::string out = kTitleTemplate;
  if (!put_two_digits(out, 2, channel + 1)) return kTitleNotJis;
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (int k = 0; k < kTitleChars; ++k) {
    const int code = codes[static_cast<std::size_t>(k)];
    for (int d = 0; d < 4; ++d) {
      out[kCodesAt + static_cast<std::size_t>(4 * k + d)] = kHex[(code >> (12 - 4 * d)) & 0xF];
    }
  }
  *line = std::move(out);
  return kTitleSent;
}

int send_channel_title(int channel) {
  std::string line;
  const int result = channel_title_command(channel, &line);
  if (result == kTitleSent) send_command(line);
  return result;
}

const char* checked_channel_title_line(int channel, std::string* line) {
  if (pad_channel_title(channel) == 0) return kTitleNotJisText;
  switch (channel_title_command(channel, line)) {
    case kTitleSent: return nullptr;
    case kTitleOutsideSet: return kTitleOutsideSetText;
    default: return kTitleNotJisText;
  }
}

const char* send_checked_channel_title(int channel) {
  std::string line;
  const char* warning = checked_channel_title_line(channel, &line);
  if (warning == nullptr) send_command(line);
  return warning;
}

}  // namespace klvc
