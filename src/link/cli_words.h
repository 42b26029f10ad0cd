// Small pieces every subcommand of the command line shares: the model's
// spellings, numbers in a range, and the one-line usage error that points to
// the subcommand's own help.
#pragma once

#include <string>

namespace klvc {

// "A".."E", also "a" or "KLV-A": the model index 0..4; false otherwise.
bool parse_model_word(std::string text, int* model);

// Decimal digits only, lo..hi.
bool parse_number(const std::string& text, int lo, int hi, int* value);

// "klvc: <subcommand>: <message>" and "Run 'klvc <subcommand> --help'." on
// stderr (the program's help without a subcommand); returns 2.
int subcommand_usage_error(const std::string& subcommand, const std::string& message);

}  // namespace klvc
