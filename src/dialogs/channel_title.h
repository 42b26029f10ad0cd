// Channel titles on the wire: the check and padding of a title and the "CA"
// command that carries it as 16 JIS X 0208 codes. Used by the title dialog
// and by the send-all run.
#pragma once

#include <string>

#include "link/answer_queue.h"

namespace klvc {

// The two warnings the operator sees for a title that cannot be sent.
extern const char* const kTitleNotJisText;        // not a double-byte character
extern const char* const kTitleOutsideSetText;    // a character the switcher lacks

// The title line of one channel, or why it was refused.
struct TitleCommand {
  std::string line;               // "CA" + channel + 64 hex digits + CR LF; empty when refused
  const char* refused = nullptr;  // kTitleNotJisText or kTitleOutsideSetText when refused
};

// The line for `sjis_title` (Shift-JIS bytes) on channel 0..63. A title of
// one half-width space counts as one full-width space; the rest is padded
// with full-width spaces to 32 bytes. Refused with kTitleNotJisText for an
// odd byte count, more than 32 bytes, a pair that is no double-byte
// character or a channel outside 0..63; with kTitleOutsideSetText for a
// character outside the accepted JIS set.
TitleCommand title_command(int channel, const std::string& sjis_title);

// The same check for any title: "" when title_command would build it,
// otherwise why not, naming the first character that fails.
std::string title_problem(const std::string& sjis);

}  // namespace klvc
