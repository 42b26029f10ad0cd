#include "app/cli_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "app/cli.h"
#include "link/cli_words.h"
#include "settings/settings_file.h"
#include "settings/settings_layout.h"
#include "settings/sjis.h"
#include "settings/store.h"

namespace klvc {
namespace {

std::string numbered(const char* prefix, int n, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%0*d", prefix, width, n);
  return buf;
}

std::string element_label(ElementLabel label, int i) {
  switch (label) {
    case ElementLabel::kNone: return std::string();
    case ElementLabel::kChannel: return " " + numbered("ch", i + 1, 2);
    case ElementLabel::kInput: return " " + numbered("in", i + 1, 2);
    case ElementLabel::kOutput: return " " + numbered("out", i + 1, 2);
    case ElementLabel::kAlarmInputTerminal: return " " + numbered("term", i + 1, 2);
    case ElementLabel::kInputOutput:
      return " " + numbered("in", i / kMaxOutputs + 1, 2) + " " + numbered("out", i % kMaxOutputs + 1, 2);
    case ElementLabel::kChannelTerminal:
      return " " + numbered("ch", i / kMaxAlarmOutputTerminals + 1, 2) + " " +
             numbered("term", i % kMaxAlarmOutputTerminals + 1, 1);
  }
  return std::string();
}

// The value as the dialogs show it. A route equal to a model's input count
// is that model's "Auto"; the file does not say which model it was made for.
std::string shown_value(ValueShown shown, int v) {
  auto pair = [v](const char* off, const char* on) {
    return v == 0 ? std::string(off) : v == 1 ? std::string(on) : std::to_string(v);
  };
  switch (shown) {
    case ValueShown::kOnOff: return pair("OFF", "ON");
    case ValueShown::kSkipLive: return pair("SKIP", "LIVE");
    case ValueShown::kMakeBreak: return pair("MAKE", "BREAK");
    case ValueShown::kChannel: return numbered("ch", v + 1, 2);
    case ValueShown::kSeconds: return std::to_string(v + 1) + "s";
    case ValueShown::kHoldTime: return numbered("", v + 1, 2);
    case ValueShown::kAlarmInputTerminal: return numbered("term", v + 1, 2);
    case ValueShown::kAlarmOutputTerminal: return numbered("term", v + 1, 1);
    case ValueShown::kRoute: {
      std::string text = numbered("in", v + 1, 2);
      for (int m = 0; m < kModelCount; ++m) {
        if (v == input_count_for(m)) text += std::string(" (Auto on ") + model_name(m) + ")";
      }
      return text;
    }
  }
  return std::to_string(v);
}

std::string quoted(const std::string& sjis) {
  std::string out = "\"";
  for (char c : sjis_to_utf8(sjis)) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void print_problems(const std::string& path, const ReadResult& result) {
  for (const FileProblem& p : result.problems) {
    if (p.line > 0) {
      std::cerr << path << ':' << p.line << ": " << p.message << '\n';
    } else {
      std::cerr << path << ": " << p.message << '\n';
    }
  }
}

// Loads `path` into a fresh store; prints why not and returns false when it cannot be read.
bool load(const std::string& path, ReadResult* result) {
  reset_whole_store();
  std::string error;
  if (!read_settings_file(path, result, &error)) {
    std::cerr << "klvc: " << error << '\n';
    return false;
  }
  return true;
}

int file_new(const std::string& path, bool force) {
  struct stat st;
  if (!force && ::lstat(path.c_str(), &st) == 0) {
    std::cerr << "klvc: " << path
              << " already exists; nothing was written. Add --force to replace it with the defaults.\n";
    return 1;
  }
  reset_whole_store();
  std::string error;
  if (!write_settings_file(path, &error)) {
    std::cerr << "klvc: " << error << '\n';
    return 1;
  }
  return 0;
}

// An unreadable file is exit 2, as for every command.
constexpr int kUnreadable = 2;

int file_check(const std::string& path, bool) {
  ReadResult result;
  if (!load(path, &result)) return kUnreadable;
  print_problems(path, result);
  if (!result.clean()) return 1;
  std::cout << path << ": ok\n";
  return 0;
}

int file_show(const std::string& path, bool) {
  ReadResult result;
  if (!load(path, &result)) return kUnreadable;
  print_problems(path, result);
  std::cout << settings_listing();
  return 0;
}

struct FileCommand {
  const char* word;
  int (*run)(const std::string& path, bool force);
  bool takes_force;
  const char* synopsis;
};

const FileCommand kFileCommands[] = {
    {"new", file_new, true,
     "file new [--force] OUT.dat\n"
     "                              write a settings file holding the defaults (--force:\n"
     "                              replace OUT.dat when it exists)"},
    {"check", file_check, false, "file check FILE.dat    report, with line numbers, what the reader had to mend"},
    {"show", file_show, false, "file show FILE.dat     print every setting, one per line, for diff"},
};

}  // namespace

std::string file_usage() {
  std::string text;
  for (const FileCommand& c : kFileCommands) text += std::string("  klvc ") + c.synopsis + "\n";
  return text;
}

std::string settings_listing() {
  SettingsStore& s = store();
  std::string out;
  for (int c = 0; c < kMaxInputs; ++c) {
    out += "title" + element_label(ElementLabel::kChannel, c) + " = " + quoted(s.channel_titles[c]) + "\n";
  }
  for (const IntRun& run : kIntRuns) {
    const int* values = run.values(s);
    for (int i = 0; i < run.count; ++i) {
      out += run.key + element_label(run.label, i) + " = " + shown_value(run.shown, values[i]) + "\n";
    }
  }
  out += "password = " + quoted(s.panel_password) + "\n";
  return out;
}

int file_main(const std::vector<std::string>& args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << "Usage:\n" << file_usage()
              << "\nExit status: 0 done; 1 failure (file check: a file with problems; file new:\n"
                 "the file exists or cannot be written); 2 bad usage or an unreadable file.\n";
    return 0;
  }
  if (args.empty()) return subcommand_usage_error("file", "needs one of: new, check, show");
  for (const FileCommand& c : kFileCommands) {
    if (args[0] != c.word) continue;
    std::vector<std::string> words(args.begin() + 1, args.end());
    const auto forced = std::find(words.begin(), words.end(), "--force");
    const bool force = c.takes_force && forced != words.end();
    if (force) words.erase(forced);
    if (words.size() != 1 || (words[0].size() > 1 && words[0][0] == '-')) {
      return subcommand_usage_error("file", std::string("'file ") + c.word + "' takes exactly one file name");
    }
    return c.run(words[0], force);
  }
  return subcommand_usage_error("file", "unknown file command '" + args[0] + "'");
}

}  // namespace klvc
