// The one option parser every subcommand uses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/args.h"

namespace klvc {
namespace {

const std::vector<CliOption> kOptions = {{"model", true, 1}, {"dry-run", false, 2}, {"help", false, 3, 'h'}};

// "id=value" for each option, then the operands; or "error: ..." on bad usage.
std::string parsed(const std::vector<std::string>& args) {
  std::string out;
  std::vector<std::string> operands;
  std::string error;
  auto take = [&](int id, const std::string& v) {
    if (v == "bad") return std::string("refused 'bad'");
    out += std::to_string(id) + "=" + v + " ";
    return std::string();
  };
  if (!parse_cli_args(args, kOptions, take, &operands, &error)) return "error: " + error;
  for (const std::string& o : operands) out += "[" + o + "] ";
  return out;
}

TEST(CliArgs, TakesEitherSpellingOfAValueAndKeepsOperandsInOrder) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--model=A", "x.dat"}, "1=A [x.dat] "},
      {{"a.dat", "--model", "B", "--dry-run", "b.dat"}, "1=B 2= [a.dat] [b.dat] "},
      {{"-h", "-"}, "3= [-] "},
      {{"--dry-run", "--", "--model", "-h"}, "2= [--model] [-h] "},
      {{"--model", "--dry-run"}, "1=--dry-run "},  // a value may start with a dash
  };
  for (const auto& [args, want] : cases) EXPECT_EQ(parsed(args), want) << args[0];
}

TEST(CliArgs, BadUsageIsOneLineNamingTheWord) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--verbose"}, "error: unknown option '--verbose'"},
      {{"--verbose=3"}, "error: unknown option '--verbose'"},
      {{"-x"}, "error: unknown option '-x'"},
      {{"--model"}, "error: --model needs a value"},
      {{"--dry-run=yes"}, "error: --dry-run takes no value"},
      {{"--model", "bad"}, "error: refused 'bad'"},
  };
  for (const auto& [args, want] : cases) EXPECT_EQ(parsed(args), want) << args[0];
  // Each parse starts afresh, whatever the one before left behind.
  EXPECT_EQ(parsed({"--model", "C"}), "1=C ");
}

}  // namespace
}  // namespace klvc
