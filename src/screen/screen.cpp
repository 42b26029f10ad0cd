#include "screen/screen.h"

#include <sys/stat.h>

#include <clocale>
#include <cstdio>

#include "screen/app.h"
#include "cli/args.h"
#include "profile/profile.h"
#include "common/text.h"
#include "sim/simulator.h"
#include "ui/ui.h"

namespace klvc {

namespace {

bool looks_like_settings_file(const std::string& word) {
  if (word.size() > 4) {
    std::string ext = word.substr(word.size() - 4);
    if (ascii_lower(ext) == ".dat") return true;
  }
  if (word.size() > 9 && word.compare(word.size() - 9, 9, ".dat.save") == 0) return true;
  struct stat st {};
  return ::stat(word.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string screen_help() {
  return "Usage: klvc [--simulate [--fail N:ANSWER]] [FILE.dat]\n"
         "\n"
         "The screen: the switcher's settings in dialogs, each sent as it is set, on the\n"
         "profile's serial port. FILE.dat (or a .dat.save recovery file) opens at start.\n"
         "\n"
         "  --simulate        talk to the built-in simulated switcher instead\n"
         "  --fail N:ANSWER   with --simulate: it answers its Nth line with ANSWER (e.g.\n"
         "                    3:E3), to rehearse what a failing switcher shows\n"
         "  -h, --help        this text\n";
}

}  // namespace

bool parse_screen_args(const std::vector<std::string>& args, ScreenArgs* out, std::string* error) {
  ScreenArgs parsed;
  std::vector<std::string> words;
  enum { kSimulate, kFail, kHelp };
  auto take = [&](int id, const std::string& v) {
    if (id == kFail) return fail_value(v, &parsed.faults);
    (id == kHelp ? parsed.help : parsed.simulate) = true;
    return std::string();
  };
  if (!parse_cli_args(args, {{"simulate", false, kSimulate}, {"fail", true, kFail}, {"help", false, kHelp, 'h'}},
                      take, &words, error)) {
    return false;
  }
  if (!parsed.faults.empty() && !parsed.simulate) {
    *error = "--fail is for the built-in simulated switcher (--simulate)";
    return false;
  }
  for (const std::string& a : words) {
    if (!parsed.file.empty()) {
      *error = "only one settings file can be opened (got '" + parsed.file + "' and '" + a + "')";
      return false;
    }
    // A word that is neither a settings file nor an existing file is more
    // likely a mistyped command than a file to create.
    if (!looks_like_settings_file(a)) {
      *error = "unknown command '" + a + "'";
      return false;
    }
    parsed.file = a;
  }
  *out = parsed;
  return true;
}

int run_screen(const std::vector<std::string>& args) {
  ScreenArgs sa;
  if (auto end = parse_subcommand("", args, parse_screen_args, screen_help, &sa)) return *end;
  std::string error;

  // The terminal's character set comes from the locale; the screen converts to it.
  std::setlocale(LC_CTYPE, "");
  std::unique_ptr<ui::Ui> ui = ui::Ui::create_terminal(&error);
  if (!ui && error.find("character set") != std::string::npos) {
    std::fprintf(stderr, "klvc: %s\n", error.c_str());
    return kExitFailed;
  }
  if (!ui) {
    // The screen layer's reason may already say it; say it once.
    if (error.empty()) {
      error = "the screen needs a terminal";
    } else if (error.find("needs a terminal") == std::string::npos) {
      error = "the screen needs a terminal: " + error;
    }
    std::fprintf(stderr,
                 "klvc: %s\n"
                 "Start it in a terminal window; without a screen, 'klvc file new|check|show' work on settings "
                 "files.\n",
                 error.c_str());
    return kExitUsage;
  }

  // The simulated switcher follows the program's setup (see init_instance).
  SimulatedPort sim;
  if (sa.simulate) {
    for (const auto& [nth, answer] : sa.faults) sim.simulator().fail_command(nth, answer + "\r\n");
    if (!sim.start(&error)) {
      ui.reset();  // gives the terminal back before the message
      std::fprintf(stderr, "klvc: cannot start the simulated switcher: %s\n", error.c_str());
      return kExitFailed;
    }
  }

  int code = kExitOk;
  std::vector<std::string> report;
  {
    CKLVCApp app(*ui);
    StartOptions options;
    options.open_file = sa.file;
    options.simulated = sa.simulate;
    if (sa.simulate) options.simulator = &sim;
    if (!app.init_instance(options)) {
      ui.reset();
      std::fprintf(stderr, "klvc: start-up failed\n");
      return kExitFailed;
    }
    ui->run();
    report = app.frame().exit_report();
    // Ended from outside: the shell's convention for a signal.
    if (int sig = app.frame().terminated_by()) code = kExitSignalBase + sig;
  }
  if (sa.simulate) sim.stop();
  ui.reset();  // the terminal as it was found, before anything is said on it
  for (const std::string& line : report) std::fprintf(stderr, "klvc: %s\n", line.c_str());
  return code;
}

}  // namespace klvc
