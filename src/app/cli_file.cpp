#include "app/cli_file.h"

#include <sys/stat.h>

#include <iostream>

#include "app/cli.h"
#include "app/cli_file_text.h"
#include "link/cli_words.h"
#include "settings/settings_file.h"
#include "settings/store.h"

namespace klvc {
namespace {

void print_problems(const std::string& path, const ReadResult& result) {
  for (const FileProblem& p : result.problems) {
    if (p.line > 0) {
      std::cerr << path << ':' << p.line << ": " << p.message << '\n';
    } else {
      std::cerr << path << ": " << p.message << '\n';
    }
  }
}

// An unreadable file is exit 2, as for every command.
constexpr int kUnreadable = 2;

int file_new(const FileArgs& a) {
  const std::string& path = a.paths[0];
  struct stat st;
  if (!a.force && ::lstat(path.c_str(), &st) == 0) {
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

int file_check(const FileArgs& a) {
  const std::string& path = a.paths[0];
  reset_whole_store();
  ReadResult result;
  std::string error;
  if (!read_settings_file(path, &result, &error)) {
    std::cerr << "klvc: " << error << '\n';
    return kUnreadable;
  }
  print_problems(path, result);
  if (!result.clean()) return 1;
  std::cout << path << ": ok\n";
  return 0;
}

enum Option { kNoOption = 0, kTitlesOption = 1, kBaseOption = 2, kForceOption = 4 };

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
    {"import", file_import, 2, kBaseOption,
     "file import TEXT OUT.dat [--base BASE.dat]\n"
     "                              write OUT.dat from a text or titles CSV"},
    {"diff", file_diff, 2, kNoOption, "file diff A B          print the settings that differ"},
};

std::string file_help() {
  std::string text = "Usage:\n";
  for (const FileCommand& c : kFileCommands) text += std::string("  klvc ") + c.synopsis + "\n";
  return text + "\n" + settings_text_help();
}

// The words after the command's name. 0 to go on, else the exit status.
int parse_file_args(const FileCommand& c, const std::vector<std::string>& args, FileArgs* out) {
  const std::string name = std::string("'file ") + c.word + "'";
  bool options_end = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool option = !options_end && a.size() > 1 && a[0] == '-';
    if (!option) {
      out->paths.push_back(a);
    } else if (a == "--") {
      options_end = true;
    } else if (a == "--help" || a == "-h") {
      std::cout << file_help();
      return -1;
    } else if (a == "--force" && (c.options & kForceOption)) {
      out->force = true;
    } else if (a == "--titles" && (c.options & kTitlesOption)) {
      out->titles = true;
    } else if ((a == "--base" || a.rfind("--base=", 0) == 0) && (c.options & kBaseOption)) {
      if (a == "--base" && i + 1 >= args.size()) return subcommand_usage_error("file", "--base needs a settings file");
      out->base = a == "--base" ? args[++i] : a.substr(7);
      if (out->base.empty()) return subcommand_usage_error("file", "--base needs a settings file");
    } else {
      return subcommand_usage_error("file", "unknown option '" + a + "' for " + name);
    }
  }
  if (out->paths.size() != c.paths) {
    return subcommand_usage_error("file", name + " takes " + (c.paths == 1 ? "exactly one file name" : "two file names") +
                           "");
  }
  return 0;
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
    return 0;
  }
  if (args.empty()) return subcommand_usage_error("file", "'file' needs one of: new, check, export, show, import, diff");
  for (const FileCommand& c : kFileCommands) {
    if (args[0] != c.word) continue;
    FileArgs parsed;
    const int status = parse_file_args(c, std::vector<std::string>(args.begin() + 1, args.end()), &parsed);
    if (status != 0) return status < 0 ? 0 : status;
    return c.run(parsed);
  }
  return subcommand_usage_error("file", "unknown file command '" + args[0] + "'");
}

}  // namespace klvc
