#include "cli/args.h"

#include "common/text.h"

#include <getopt.h>

#include <cctype>
#include <iostream>

namespace klvc {

namespace {

constexpr int kFirstLongId = 1000;  // getopt_long's value for option i is kFirstLongId + i

// "--name=value" -> "--name"
std::string option_word(const char* word) {
  std::string w = word ? word : "";
  const std::size_t eq = w.find('=');
  return eq == std::string::npos ? w : w.substr(0, eq);
}

}  // namespace

bool parse_cli_args(const std::vector<std::string>& args, const std::vector<CliOption>& options,
                    const CliOptionHandler& on_option, std::vector<std::string>* operands, std::string* error) {
  std::vector<option> longs;
  // "-": operands come back in order as 1; ":": a missing value is ':', not '?'.
  std::string letters = "-:";
  for (std::size_t i = 0; i < options.size(); ++i) {
    const CliOption& o = options[i];
    longs.push_back({o.name, o.takes_value ? required_argument : no_argument, nullptr,
                     kFirstLongId + static_cast<int>(i)});
    if (o.letter) letters += std::string(1, o.letter) + (o.takes_value ? ":" : "");
  }
  longs.push_back({nullptr, 0, nullptr, 0});

  std::vector<std::string> words{"klvc"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  auto by_letter = [&](int c) -> const CliOption* {
    for (const CliOption& o : options) {
      if (o.letter == c) return &o;
    }
    return nullptr;
  };
  opterr = 0;
  optind = 0;  // glibc: start afresh, whatever an earlier parse left
  for (;;) {
    int index = -1;
    const int c = getopt_long(argc, argv.data(), letters.c_str(), longs.data(), &index);
    if (c == -1) break;
    const std::string word = option_word(argv[optind - 1]);
    if (c == 1) {
      operands->push_back(optarg);
      continue;
    }
    if (c == ':') {
      *error = word + " needs a value";
      return false;
    }
    if (c == '?') {
      const std::string name = word.rfind("--", 0) == 0 ? word.substr(2) : std::string();
      for (const CliOption& o : options) {
        if (!o.takes_value && name == o.name && word != argv[optind - 1]) {
          *error = word + " takes no value";
          return false;
        }
      }
      *error = optopt && optopt < kFirstLongId ? "unknown option '-" + std::string(1, static_cast<char>(optopt)) + "'"
                                               : "unknown option '" + word + "'";
      return false;
    }
    const CliOption* o = c >= kFirstLongId ? &options[static_cast<std::size_t>(c - kFirstLongId)] : by_letter(c);
    if (!o) continue;
    const std::string refused = on_option(o->id, optarg ? optarg : "");
    if (!refused.empty()) {
      *error = refused;
      return false;
    }
  }
  for (int i = optind; i < argc; ++i) operands->push_back(argv[i]);
  return true;
}

bool parse_model_word(std::string text, int* model) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (text.rfind("KLV-", 0) == 0) text.erase(0, 4);
  if (text.size() != 1 || text[0] < 'A' || text[0] > 'E') return false;
  *model = text[0] - 'A';
  return true;
}

std::string model_value(const std::string& word, int* model) {
  return parse_model_word(word, model) ? "" : "unknown model '" + word + "' (use A, B, C, D or E)";
}

std::string slave_value(const std::string& word, int* slave) {
  return parse_number(word, 0, 31, slave) ? "" : "--slave takes a number from 0 to 31, not '" + word + "'";
}

std::string fail_value(const std::string& word, std::vector<std::pair<int, std::string>>* faults) {
  const std::size_t colon = word.find(':');
  int nth = 0;
  if (colon == std::string::npos || colon + 1 >= word.size() || !parse_number(word.substr(0, colon), 1, 100000000, &nth)) {
    return "--fail takes N:ANSWER (the Nth line gets ANSWER, e.g. 5:E3), not '" + word + "'";
  }
  faults->emplace_back(nth, word.substr(colon + 1));
  return {};
}

bool parse_number(const std::string& text, int lo, int hi, int* value) {
  int v = 0;
  if (text.size() > 9 || !parse_digits(text, &v) || v < lo || v > hi) return false;
  *value = v;
  return true;
}

int subcommand_usage_error(const std::string& subcommand, const std::string& message) {
  if (subcommand.empty()) {
    std::cerr << "klvc: " << shown(message) << "\nRun 'klvc --help'.\n";
  } else {
    std::cerr << "klvc " << subcommand << ": " << shown(message) << "\nRun 'klvc " << subcommand << " --help'.\n";
  }
  return kExitUsage;
}

int print_help(const std::string& text) {
  std::cout << text;
  return kExitOk;
}

}  // namespace klvc
