// What every subcommand of the command line shares: the exit statuses, one
// option parser on getopt_long (`--opt=value` and `--opt value`, `--` ends
// the options), the model's spellings, numbers in a range, and the one-line
// usage error that points to the subcommand's own help.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/escape.h"  // shown(): outside text in every message

namespace klvc {

// Exit statuses. A signal that ends a run gives 128 + its number, as a shell
// reports a program it ended: 130 Ctrl+C, 143 SIGTERM, 129 SIGHUP; a closed
// output (EPIPE) gives 141, as SIGPIPE would.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitSignalBase = 128;
constexpr int kExitOutputClosed = 141;

// One option of a subcommand: "--name" (and "-c" when `letter` is not 0).
struct CliOption {
  const char* name;
  bool takes_value;
  int id;
  char letter = 0;
};

// Called for each option found, in order; returns "" or why the value is refused.
using CliOptionHandler = std::function<std::string(int id, const std::string& value)>;

// Parses the words after a subcommand. Words that are not options go to
// *operands in order (a lone "-" is one; so is everything after "--").
// False and *error (one line) on bad usage.
bool parse_cli_args(const std::vector<std::string>& args, const std::vector<CliOption>& options,
                    const CliOptionHandler& on_option, std::vector<std::string>* operands, std::string* error);

// "A".."E", also "a" or "KLV-A": the model index 0..4; false otherwise.
bool parse_model_word(std::string text, int* model);

// The values several subcommands take: "" when fine, else why not.
std::string model_value(const std::string& word, int* model);  // --model
std::string slave_value(const std::string& word, int* slave);  // --slave 0..31
// --fail N:ANSWER: the simulated switcher answers its Nth line with ANSWER.
std::string fail_value(const std::string& word, std::vector<std::pair<int, std::string>>* faults);

// Decimal digits only, lo..hi.
bool parse_number(const std::string& text, int lo, int hi, int* value);

// "klvc <subcommand>: <message>", the form of every message of a subcommand,
// and "Run 'klvc <subcommand> --help'." on stderr ("klvc: <message>" and the
// program's help without a subcommand); returns kExitUsage.
int subcommand_usage_error(const std::string& subcommand, const std::string& message);
inline int cli_usage_error(const std::string& message) { return subcommand_usage_error("", message); }

// Prints a subcommand's help on stdout; returns kExitOk.
int print_help(const std::string& text);

// Parses a subcommand's words into *options with `parse`. An exit status when
// the run ends there: bad usage (said on stderr) or --help (`usage` printed);
// nothing when the subcommand goes on.
template <typename Options>
std::optional<int> parse_subcommand(const std::string& subcommand, const std::vector<std::string>& args,
                                    bool (*parse)(const std::vector<std::string>&, Options*, std::string*),
                                    std::string (*usage)(), Options* options) {
  std::string error;
  if (!parse(args, options, &error)) return subcommand_usage_error(subcommand, error);
  if (options->help) return print_help(usage());
  return std::nullopt;
}

}  // namespace klvc
