#include "ui/text_width.h"

#include <algorithm>
#include <iterator>

namespace klvc::ui {
namespace {

struct Range {
  char32_t lo;
  char32_t hi;
};

// Marks that combine with the character before them (no cell of their own).
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2},
    {0x05C4, 0x05C5}, {0x05C7, 0x05C7}, {0x0610, 0x061A}, {0x064B, 0x065F}, {0x0670, 0x0670},
    {0x06D6, 0x06DC}, {0x06DF, 0x06E4}, {0x06E7, 0x06E8}, {0x06EA, 0x06ED}, {0x0E31, 0x0E31},
    {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
    {0x202A, 0x202E}, {0x2060, 0x2064}, {0x20D0, 0x20FF}, {0x302A, 0x302D}, {0x3099, 0x309A},
    {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF},
};

// Full-width (East Asian Wide and Fullwidth) blocks. Half-width katakana
// U+FF61..U+FF9F lie outside these and stay one cell.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x23F0, 0x23F0},   {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},
    {0x2648, 0x2653},   {0x267F, 0x267F},   {0x2693, 0x2693},   {0x26A1, 0x26A1},
    {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},   {0x26CE, 0x26CE},
    {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},
    {0x2728, 0x2728},   {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},
    {0x2757, 0x2757},   {0x2795, 0x2797},   {0x27B0, 0x27B0},   {0x27BF, 0x27BF},
    {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},   {0x2E80, 0x3029},
    {0x302E, 0x303E},   {0x3041, 0x3098},   {0x309B, 0x33FF},   {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E},
    {0x1F191, 0x1F19A}, {0x1F200, 0x1F251}, {0x1F300, 0x1F64F}, {0x1F680, 0x1F6FF},
    {0x1F900, 0x1F9FF}, {0x1FA70, 0x1FAFF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

template <std::size_t N>
bool in_table(char32_t c, const Range (&table)[N]) {
  auto it = std::upper_bound(std::begin(table), std::end(table), c,
                             [](char32_t v, const Range& r) { return v < r.lo; });
  if (it == std::begin(table)) return false;
  --it;
  return c <= it->hi;
}

}  // namespace

int char_width(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return 0;
  if (c < 0x300) return 1;
  if (in_table(c, kZeroWidth)) return 0;
  if (in_table(c, kWide)) return 2;
  return 1;
}

std::vector<char32_t> decode_utf8(std::string_view s) {
  std::vector<char32_t> out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    int len = 0;
    char32_t c = 0;
    char32_t min = 0;
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      len = 2; c = b & 0x1F; min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3; c = b & 0x0F; min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4; c = b & 0x07; min = 0x10000;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    int k = 1;
    for (; k < len && i + k < s.size(); ++k) {
      unsigned char cb = static_cast<unsigned char>(s[i + k]);
      if ((cb & 0xC0) != 0x80) break;
      c = (c << 6) | (cb & 0x3F);
    }
    if (k < len || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(0xFFFD);
      i += static_cast<std::size_t>(k);  // skip the broken sequence, keep the byte that broke it
      continue;
    }
    out.push_back(c);
    i += static_cast<std::size_t>(len);
  }
  return out;
}


int display_width(std::string_view utf8) {
  int w = 0;
  for (char32_t c : decode_utf8(utf8)) w += char_width(c);
  return w;
}

std::string fit_width(std::string_view utf8, int cells) {
  std::string out;
  int used = 0;
  for (char32_t c : decode_utf8(utf8)) {
    int w = char_width(c);
    if (used + w > cells) break;
    used += w;
    out += encode_utf8(c);
  }
  return out;
}

std::string pad_to_width(std::string_view utf8, int cells) {
  std::string out = fit_width(utf8, cells);
  int w = display_width(out);
  if (w < cells) out.append(static_cast<std::size_t>(cells - w), ' ');
  return out;
}

namespace {

bool one_of(char32_t c, std::u32string_view set) { return set.find(c) != std::u32string_view::npos; }

// Japanese line breaking: these never start a line, those never end one.
constexpr std::u32string_view kNoLineStart = U"、。，．・：；？！）」』】〕ー々ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮ,.:;!?)]}";
constexpr std::u32string_view kNoLineEnd = U"（「『【〔([{";
constexpr std::u32string_view kAfterPunct = U"、。，．・：；？！）」』】〕";

// How good a break is before cps[b]: 2 at a space or punctuation, 1 between
// Japanese characters, 0 inside a word or against the rules above.
int break_quality(const std::vector<char32_t>& cps, std::size_t b) {
  const char32_t before = cps[b - 1];
  const char32_t after = cps[b];
  if (before == ' ') return 2;
  if (one_of(after, kNoLineStart) || one_of(before, kNoLineEnd)) return 0;
  if (one_of(before, kAfterPunct) || one_of(after, kNoLineEnd)) return 2;
  if (char_width(before) == 2 || char_width(after) == 2) return 1;
  return 0;  // between two letters of a word
}

}  // namespace

std::vector<std::string> wrap_to_width(std::string_view utf8, int cells) {
  std::vector<std::string> lines;
  cells = std::max(1, cells);
  std::size_t start = 0;
  for (;;) {
    std::size_t nl = utf8.find('\n', start);
    std::string_view para = utf8.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
    auto cps = decode_utf8(para);
    std::size_t i = 0;
    do {
      std::size_t j = i;
      int used = 0;
      std::vector<int> width_before;  // width of cps[i..k) for k = i..j
      while (j < cps.size() && used + char_width(cps[j]) <= cells) {
        width_before.push_back(used);
        used += char_width(cps[j]);
        ++j;
      }
      width_before.push_back(used);
      if (j < cps.size()) {
        // Too long: the best break in the line, a space or punctuation if one
        // lies past its first third, else any break the rules allow, else where it is full.
        std::size_t best = 0;
        for (std::size_t b = j; b > i; --b) {
          int q = break_quality(cps, b);
          if (q == 2 && width_before[b - i] * 3 >= cells) { best = b; break; }
          if (q >= 1 && best == 0) best = b;
        }
        if (best > i) j = best;
      }
      if (j == i && j < cps.size()) ++j;  // always make progress
      std::string line;
      for (std::size_t k = i; k < j; ++k) line += encode_utf8(cps[k]);
      while (!line.empty() && line.back() == ' ' && j < cps.size()) line.pop_back();
      lines.push_back(line);
      i = j;
      while (i < cps.size() && i > 0 && cps[i] == ' ' && j < cps.size()) ++i;  // no blank at a line's start
    } while (i < cps.size());
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return lines;
}

}  // namespace klvc::ui
