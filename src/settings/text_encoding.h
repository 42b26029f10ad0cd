// What a text or CSV someone saved is written in: one encoding per file,
// UTF-8 or CP932 (Shift-JIS), never a guess per line.
#pragma once

#include <string>
#include <vector>

#include "common/text.h"  // utf8_char_at, which the readers use with it
#include "settings/settings_file.h"

namespace klvc {

// The text as UTF-8, decomposed kana (カ + U+3099) composed (ガ). A byte-order
// mark is skipped. Valid UTF-8 is UTF-8; a text with no non-ASCII UTF-8 that
// reads as CP932 is CP932 (a note says so); UTF-16 and a text mixing the two
// are refused with an error naming the lines. False when refused.
bool decode_text(const std::string& bytes, std::string* utf8, std::vector<FileProblem>* errors,
                 std::vector<FileProblem>* notes);

}  // namespace klvc
