#include "cli/file_command.h"

#include <sys/stat.h>

#include <algorithm>
#include <iostream>

#include "cli/args.h"
#include "cli/file_text_command.h"
#include "common/escape.h"
#include "settings/settings_file.h"
#include "settings/store.h"

namespace klvc {
namespace {

void print_problems(const std::string& path, const ReadResult& result) {
  for (const FileProblem& p : result.problems) {
    if (p.line > 0) {
      std::cerr << shown(path + ':' + std::to_string(p.line) + ": " + p.message) << '\n';
    } else {
      std::cerr << shown(path + ": " + p.message) << '\n';
    }
  }
}

// An unreadable file is exit 2, as for every command.
constexpr int kUnreadable = kExitUsage;

int file_new(const FileArgs& a) {
  const std::string& path = a.paths[0];
  struct stat st;
  if (!a.force && ::lstat(path.c_str(), &st) == 0) {
    std::cerr << "klvc file: " << shown(path)
              << " already exists; nothing was written. Add --force to replace it with the defaults.\n";
    return kExitFailed;
  }
  SwitcherSettings defaults;
  reset_to_defaults(defaults);
  std::string error;
  if (!write_settings_file(system_disk(), defaults, kFileCommandModel, path, &error)) {
    std::cerr << "klvc file: " << shown(error) << '\n';
    return kExitFailed;
  }
  return kExitOk;
}

int file_check(const FileArgs& a) {
  const std::string& path = a.paths[0];
  SwitcherSettings settings;
  ReadResult result;
  std::string error;
  if (!read_settings_file(settings, kFileCommandModel, path, &result, &error)) {
    std::cerr << "klvc file: " << shown(error) << '\n';
    return kUnreadable;
  }
  print_problems(path, result);
  if (!result.clean()) return kExitFailed;
  std::cout << shown(path) << ": ok\n";
  return kExitOk;
}

enum Option { kNoOption = 0, kTitlesOption = 1, kBaseOption = 2, kForceOption = 4, kSentOption = 8, kSlaveOption = 16 };

struct FileCommand {
  const char* word;
  int (*run)(const FileArgs& args);
  std::size_t paths;  // file names it takes
  int options;        // Option bits
  const char* synopsis;
};

const FileCommand kFileCommands[] = {
    {"new", file_new, 1, kForceOption,
     "file new [--force] OUT.dat\n"
     "                              write a settings file holding the defaults (--force:\n"
     "                              replace OUT.dat when it exists)"},
    {"check", file_check, 1, kNoOption,
     "file check FILE.dat    report, with line numbers, what the reader had to mend"},
    {"export", file_export, 1, kTitlesOption,
     "file export FILE [--titles]\n"
     "                              print the settings as text (the titles as CSV)"},
    {"show", file_export, 1, kNoOption, "file show FILE         the same as file export"},
    {"import", file_import, 2, kBaseOption | kForceOption,
     "file import TEXT OUT.dat [--base BASE.dat] [--force]\n"
     "                              write OUT.dat from a text or titles CSV, the other\n"
     "                              settings from BASE.dat, else from OUT.dat when it\n"
     "                              exists, else the defaults (--force: replace an\n"
     "                              existing OUT.dat that is not the base; without\n"
     "                              --base, start from the defaults)"},
    {"diff", file_diff, 2, kSentOption | kSlaveOption,
     "file diff A B          print the settings that differ\n"
     "  klvc file diff --sent PORT [--slave N] FILE\n"
     "                              what send-all --changed would change on PORT (RS-485: unit N)"},
};

std::string file_help() {
  std::string text = "Usage:\n";
  for (const FileCommand& c : kFileCommands) text += std::string("  klvc ") + c.synopsis + "\n";
  return text + "\n" + settings_text_help();
}

const std::vector<CliOption> kFileOptions = {
    {"help", false, 0, 'h'}, {"titles", false, kTitlesOption}, {"base", true, kBaseOption},
    {"force", false, kForceOption},  {"sent", true, kSentOption},      {"slave", true, kSlaveOption},
};

// The words after the command's name. Nothing to go on, else the exit status
// (kExitOk once help was printed).
std::optional<int> parse_file_args(const FileCommand& c, const std::vector<std::string>& args, FileArgs* out) {
  const std::string name = std::string("'file ") + c.word + "'";
  bool help = false;
  std::string error;
  auto take = [&](int id, const std::string& v) -> std::string {
    if (id == 0) {
      help = true;
    } else if (!(c.options & id)) {
      const auto at =
          std::find_if(kFileOptions.begin(), kFileOptions.end(), [id](const CliOption& o) { return o.id == id; });
      return "unknown option '--" + std::string(at->name) + "' for " + name;
    } else if (id == kSentOption) {
      if (v.empty()) return "--sent needs the port as send-all was given it";
      out->sent = v;
    } else if (id == kSlaveOption) {
      return slave_value(v, &out->slave);
    } else if (id == kBaseOption) {
      if (v.empty()) return "--base needs a settings file";
      out->base = v;
    } else {
      (id == kForceOption ? out->force : out->titles) = true;
    }
    return {};
  };
  if (!parse_cli_args(args, kFileOptions, take, &out->paths, &error)) return subcommand_usage_error("file", error);
  if (help) return print_help(file_help());
  if (out->slave >= 0 && out->sent.empty()) return subcommand_usage_error("file", "--slave goes with --sent PORT");
  const std::size_t paths = c.paths - (out->sent.empty() ? 0 : 1);
  if (out->paths.size() != paths) {
    return subcommand_usage_error("file", name + " takes " + (paths == 1 ? "exactly one file name" : "two file names"));
  }
  return std::nullopt;
}

}  // namespace

std::string file_usage() {
  std::string text;
  for (const FileCommand& c : kFileCommands) text += std::string("  klvc ") + c.synopsis + "\n";
  return text + "                              (klvc file --help: the text and the CSV)\n";
}

int file_main(const std::vector<std::string>& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << file_help()
              << "\nExit status: 0 done; 1 failure (file check: a file with problems; file import: a\n"
                 "text with errors; file new: the file exists or cannot be written; file diff: the\n"
                 "files differ); 2 bad usage or an unreadable file.\n";
    return kExitOk;
  }
  if (args.empty()) return subcommand_usage_error("file", "'file' needs one of: new, check, export, show, import, diff");
  for (const FileCommand& c : kFileCommands) {
    if (args[0] != c.word) continue;
    FileArgs parsed;
    if (auto end = parse_file_args(c, std::vector<std::string>(args.begin() + 1, args.end()), &parsed)) return *end;
    return c.run(parsed);
  }
  return subcommand_usage_error("file", "unknown file command '" + args[0] + "'");
}

}  // namespace klvc
