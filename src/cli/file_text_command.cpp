#include "cli/file_text_command.h"

#include <sys/stat.h>

#include <iostream>

#include "cli/args.h"
#include "send_all/sent_record.h"
#include "common/escape.h"
#include "commands/title_commands.h"
#include "settings/settings_layout.h"
#include "settings/settings_source.h"
#include "settings/store.h"

namespace klvc {
namespace {

void print_lines(const std::vector<std::string>& lines) {
  for (const std::string& l : lines) std::cerr << shown(l) << '\n';
}

// Loads a source with the title dialog's check; prints what the load said.
bool load(const std::string& path, const std::string& base, SwitcherSettings& s, SourceLoad* out) {
  const bool ok = load_settings_source(s, kFileCommandModel, path, base, title_problem, out);
  print_lines(out->notes);
  print_lines(out->mended);
  print_lines(out->errors);
  return ok;
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat sa;
  struct stat sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Titles that import would refuse, said now rather than after an edit.
void warn_unsendable_titles(const std::string& path, const SwitcherSettings& s) {
  for (int c = 0; c < kMaxInputs; ++c) {
    const std::string why = title_problem(s.channel_titles[static_cast<std::size_t>(c)]);
    if (why.empty()) continue;
    std::cerr << shown(path) << ':' << c + 1 << ": warning: the title of channel " << c + 1 << ": " << shown(why)
              << "; file import will refuse it as it is\n";
  }
}

}  // namespace

int file_export(const FileArgs& a) {
  const std::string& path = a.paths[0];
  SwitcherSettings s;
  SourceLoad loaded;
  if (!load(path, "", s, &loaded)) return loaded.unreadable ? kExitUsage : kExitFailed;
  if (is_settings_file_name(path)) warn_unsendable_titles(path, s);
  std::cout << (a.titles ? titles_csv(s) : settings_text(s, kFileCommandModel)) << std::flush;
  return kExitOk;
}

int file_import(const FileArgs& a) {
  const std::string& text = a.paths[0];
  const std::string& out = a.paths[1];
  if (same_file(text, out)) {
    std::cerr << "klvc file: " << shown(out) << " is " << shown(text) << " itself; writing it would destroy the text\n";
    return kExitFailed;
  }
  if (!is_settings_file_name(out)) {
    return subcommand_usage_error("file", "'file import' writes a settings file named *.dat, not " + out +
                                              (is_settings_file_name(text) ? " (the text comes first: file import TEXT OUT.dat)" : ""));
  }
  if (!a.base.empty() && !is_settings_file_name(a.base)) {
    return subcommand_usage_error("file", "--base takes a settings file named *.dat, not " + a.base +
                                              " (the text to import goes before OUT.dat)");
  }
  // Onto an existing settings file, the settings the text leaves out are that
  // file's own, unless --force asks for the defaults.
  struct stat st;
  const bool out_exists = ::lstat(out.c_str(), &st) == 0;
  const std::string base = a.base.empty() && out_exists && !a.force ? out : a.base;
  SwitcherSettings s;
  SourceLoad loaded;
  const bool ok = load(text, base, s, &loaded);
  if (!ok || !loaded.mended.empty()) {
    std::cerr << "klvc file: " << shown(out) << " was not written";
    if (ok) std::cerr << ": the settings file above has values that are out of range or missing (klvc file check)";
    if (ok && base == out) std::cerr << "; it is the base as it exists: add --base FILE.dat, or --force for the defaults";
    std::cerr << '\n';
    return loaded.unreadable ? kExitUsage : kExitFailed;
  }
  if (out_exists && !a.force && !same_file(out, base)) {
    std::cerr << "klvc file: " << shown(out) << " exists and is not the --base; nothing was written. Add --force to "
              << "replace it, or leave out --base to import onto it\n";
    return kExitFailed;
  }
  std::string error;
  std::vector<std::string> notes;
  if (!write_settings_file(system_disk(), s, kFileCommandModel, out, &error, &notes)) {
    std::cerr << "klvc file: " << shown(error) << '\n';
    return kExitFailed;
  }
  for (const std::string& n : notes) std::cerr << shown(out + ": " + n) << '\n';
  std::cerr << "klvc file: wrote " << shown(out);
  if (!is_settings_file_name(text)) {
    std::cerr << ": " << loaded.settings << (loaded.titles_csv ? " title" : " setting") << (loaded.settings == 1 ? "" : "s")
              << " from " << (text == "-" ? std::string("stdin") : shown(text));
    if (loaded.settings < kSettingsFileLines) {
      std::cerr << ", the others from "
                << (base.empty() ? std::string("the defaults") : shown(base) + (base == out ? " as it was" : ""));
    }
  }
  std::cerr << '\n';
  return kExitOk;
}

int file_diff(const FileArgs& a) {
  if (!a.sent.empty()) return file_diff_sent({a.sent, a.slave >= 0, a.slave >= 0 ? a.slave : 0}, a.paths[0]);
  SwitcherSettings a_settings;
  SourceLoad first;
  if (!load(a.paths[0], "", a_settings, &first)) return kExitUsage;
  SwitcherSettings b_settings;
  SourceLoad second;
  if (!load(a.paths[1], "", b_settings, &second)) return kExitUsage;
  const std::vector<std::string> lines = settings_differences(settings_as_text(a_settings, kFileCommandModel),
                                                              settings_as_text(b_settings, kFileCommandModel));
  for (const std::string& l : lines) std::cout << shown(l) << '\n';
  std::cout << std::flush;
  return lines.empty() ? kExitOk : kExitFailed;
}

std::string settings_text_help() {
  return "A FILE named *.dat, or a recovery file *.dat.save, is a settings file. Any other\n"
         "name is the settings text or a titles CSV (told apart by the CSV's header); \"-\"\n"
         "reads it from standard input.\n"
         "\n"
         "The settings text (file export): UTF-8, one setting per line as key = value,\n"
         "such as  route out03 = in12,  dwell out01 = 4s,  title ch01 = \"カメラ１\".\n"
         "Blank lines are skipped; a line starting with # is a comment, and so is a #\n"
         "after a value. Titles and the password are in double quotes, so blanks at\n"
         "their ends stay (\\\" is a quote, \\\\ a backslash). Names and words take any case.\n"
         "A text may hold only some settings: import takes the others from --base, or\n"
         "the defaults. An unknown name, a setting given twice, or a channel, input,\n"
         "output or terminal beyond the largest model (ch64, out16, term24, term4) is\n"
         "an error.\n"
         "\n"
         "The titles CSV (file export --titles): the header channel,title, then one row\n"
         "per channel 1..64, CR LF line ends, a field in double quotes when it holds a\n"
         "comma, a quote or blanks at its ends (a quote doubled inside). Import sets only\n"
         "the titles of its rows and also takes what spreadsheets write: a byte-order\n"
         "mark, LF line ends, empty rows, blanks around unquoted fields, and CP932\n"
         "(Shift-JIS) when nothing in the file is UTF-8 beyond ASCII, with a note; a\n"
         "file mixing the two, or UTF-16, is refused. Title bytes that no code page\n"
         "maps, and control characters, are exported as \\xNN inside the quotes.\n"
         "\n"
         "A title takes up to 16 full-width characters that the switcher can show (JIS\n"
         "X 0208 levels 1 and 2), as 設定 > タイトル > タイトル設定 checks them.\n"
         "\n"
         "import lists every error as TEXT:line: message and then writes nothing (exit\n"
         "1); a base file that the reader has to mend is refused as well (file check).\n"
         "diff prints key: A-value -> B-value for each setting that differs; it exits 0\n"
         "when none differ, 1 when some do and 2 when a file cannot be read.\n";
}

}  // namespace klvc
