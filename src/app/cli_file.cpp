#include "app/cli_file.h"

#include <cstdio>
#include <iostream>

#include "app/cli.h"
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

int file_new(const std::string& path) {
  reset_whole_store();
  std::string error;
  if (!write_settings_file(path, &error)) {
    std::cerr << "klvc: " << error << '\n';
    return 1;
  }
  return 0;
}

int file_check(const std::string& path) {
  ReadResult result;
  if (!load(path, &result)) return 1;
  print_problems(path, result);
  if (!result.clean()) return 1;
  std::cout << path << ": ok\n";
  return 0;
}

int file_show(const std::string& path) {
  ReadResult result;
  if (!load(path, &result)) return 1;
  print_problems(path, result);
  std::cout << settings_listing();
  return 0;
}

struct FileCommand {
  const char* word;
  int (*run)(const std::string& path);
  const char* synopsis;
};

const FileCommand kFileCommands[] = {
    {"new", file_new, "file new OUT.dat       write a settings file holding the defaults"},
    {"check", file_check, "file check FILE.dat    report, with line numbers, what the reader had to mend"},
    {"show", file_show, "file show FILE.dat     print every setting, one per line, for diff"},
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
  if (args.empty()) return cli_usage_error("'file' needs one of: new, check, show");
  for (const FileCommand& c : kFileCommands) {
    if (args[0] != c.word) continue;
    if (args.size() != 2) {
      return cli_usage_error(std::string("'file ") + c.word + "' takes exactly one file name");
    }
    return c.run(args[1]);
  }
  return cli_usage_error("unknown file command '" + args[0] + "'");
}

}  // namespace klvc
