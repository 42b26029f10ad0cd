// The frame around each command line and the meaning of the switcher's
// answers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace klvc {

// The line as it goes on the wire: on RS-485 (interface_mode 1) two decimal
// digits of the slave number, with a leading '0' below 10, before the body;
// the body already ends in CR LF.
std::string frame_command(const char* body, int interface_mode, int slave_number);

// The box text of a known error answer ("E3\r\n" -> "Command Error");
// nullptr for "GO\r\n" and for answers the switcher does not give.
const char* error_answer_text(std::string_view answer);

// Box text for an answer that is not in the table, as it arrived (RS-485
// address included). `size` is the line's real length when only its first
// bytes were kept.
std::string unknown_answer_text(std::string_view answer, std::size_t size);

// "answers lagged behind the lines from line N on; a lost answer cannot be
// told from a late one at this pace"
std::string answers_lagged_text(long first_line);

}  // namespace klvc
