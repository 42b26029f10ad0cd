// Shift-JIS double-byte characters to JIS X 0208 codes, and the set of codes
// the switcher can draw. Written from the Shift-JIS arithmetic itself, not
// from a converter library, so that the result does not depend on the locale.
#pragma once

#include <array>
#include <cstdint>

namespace klvc {

// The JIS X 0208 code (row * 256 + cell, 0x2121..0x7E7E) of the Shift-JIS pair
// s1 s2, or 0 when the pair is not a double-byte character of the two standard
// lead-byte blocks (0x81-0x9F, 0xE0-0xEF) with a valid trail byte.
int sjis_to_jis(unsigned s1, unsigned s2);

// Result codes shared by the title check and the title encoder.
constexpr int kJisAccepted = 0;
constexpr int kJisRefused = 2;

// kJisAccepted when the switcher's character generator holds `code` (the
// 6879 characters of JIS X 0208, 1990 edition), kJisRefused otherwise.
int is_accepted_jis_code(int code);

// kJisAccepted when all 16 codes are accepted, kJisRefused at the first that is not.
int check_jis_codes(const std::array<int, 16>& codes);

}  // namespace klvc
