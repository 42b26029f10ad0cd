#include "link/cli_words.h"

#include <cctype>
#include <iostream>

namespace klvc {

bool parse_model_word(std::string text, int* model) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (text.rfind("KLV-", 0) == 0) text.erase(0, 4);
  if (text.size() != 1 || text[0] < 'A' || text[0] > 'E') return false;
  *model = text[0] - 'A';
  return true;
}

bool parse_number(const std::string& text, int lo, int hi, int* value) {
  if (text.empty() || text.size() > 9) return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < lo || v > hi) return false;
  *value = v;
  return true;
}

int subcommand_usage_error(const std::string& subcommand, const std::string& message) {
  if (subcommand.empty()) {
    std::cerr << "klvc: " << message << "\nRun 'klvc --help'.\n";
  } else {
    std::cerr << "klvc: " << subcommand << ": " << message << "\nRun 'klvc " << subcommand
              << " --help'.\n";
  }
  return 2;
}

}  // namespace klvc
