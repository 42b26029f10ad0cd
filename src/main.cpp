// klvc: the command line, one row per first word; a new subcommand is one more row.
#include <iostream>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/file_command.h"
#include "cli/log_file.h"
#include "cli/ports_command.h"
#include "send_all/send_all.h"
#include "cli/simulate_command.h"
#include "profile/profile.h"
#include "screen/screen.h"
#include "version.h"  // generated into the build folder

namespace klvc {
namespace {

// Every row gets the words after its own and the run's --log file.
using CommandMain = int (*)(const std::vector<std::string>& args, LinkLogFile& log);

// A command that has no use for the log file (the link writes to it all the same).
template <int (*Main)(const std::vector<std::string>&)>
int without_log(const std::vector<std::string>& args, LinkLogFile&) {
  return Main(args);
}

int send_all_with_log(const std::vector<std::string>& args, LinkLogFile& log) { return send_all_main(args, &log); }


int help_main(const std::vector<std::string>& args);
int version_main(const std::vector<std::string>& args);
int simulate_main(const std::vector<std::string>& args);
int ports_with_profile_main(const std::vector<std::string>& args);
int simulate_with_profile_main(const std::vector<std::string>& args);
std::string log_usage() {
  return "  --log FILE                  with any command: append each line sent and received to FILE\n";
}

struct CliCommand {
  const char* word;   // the first argument that selects the row
  CommandMain run;    // gets the words after it
  std::string (*usage)();
};

std::string help_usage() { return "  klvc --help                 this text\n"; }
std::string version_usage() { return "  klvc --version              print the version\n"; }
std::string screen_usage() {
  return "  klvc [FILE.dat]             the screen, on the profile's serial port\n"
         "  klvc --simulate [--fail N:ANSWER] [FILE.dat]\n"
         "                              the screen, against the built-in simulated switcher\n";
}

const CliCommand kCommands[] = {
    {"--help", without_log<help_main>, help_usage},
    {"-h", without_log<help_main>, nullptr},
    {"--version", without_log<version_main>, version_usage},
    {"--simulate", without_log<simulate_main>, screen_usage},
    {"file", without_log<file_main>, file_usage},
    {"send-all", send_all_with_log, send_all_brief_usage},
    {"ports", without_log<ports_with_profile_main>, ports_usage},
    {"simulate", without_log<simulate_with_profile_main>, simulate_command_usage},
    {"--log", nullptr, log_usage},  // taken out in run_cli before the rows are searched
};

// No argument, or a first word that no row claims: the screen, in a build that has one.
const CommandMain kDefaultCommand = without_log<run_screen>;

std::string usage_text() {
  std::string text = "Usage:\n";
  for (const CliCommand& c : kCommands) {
    if (c.usage) text += c.usage();
  }
  return text;
}

int help_main(const std::vector<std::string>& args) {
  if (!args.empty()) return cli_usage_error("--help takes no arguments");
  std::cout << "klvc configures the KLV-A to KLV-E video matrix switchers over a serial line.\n\n"
            << usage_text()
            << "\nEach command says more with --help (klvc send-all --help).\n"
            << "Exit status: 0 success, 1 failure, 2 bad usage or an unreadable file,\n"
            << "128 + a signal when one ended it (130 Ctrl+C, 143 SIGTERM, 129 SIGHUP).\n";
  return kExitOk;
}

int version_main(const std::vector<std::string>& args) {
  if (!args.empty()) return cli_usage_error("--version takes no arguments");
  std::cout << "klvc " KLVC_VERSION "\n";  // as GNU tools say it; the About box keeps its own text
  return kExitOk;
}

// The profile's values, with one line on stderr for each it could not use.
ProfileValues profile_with_notes() {
  std::vector<std::string> notes;
  const ProfileValues v = read_profile(profile_path(), &notes);
  for (const std::string& n : notes) std::cerr << "klvc: profile: " << shown(n) << '\n';
  return v;
}

// The COM mapping shown is the profile's.
int ports_with_profile_main(const std::vector<std::string>& args) {
  return ports_main(args, port_map_of(profile_with_notes()));
}

// The simulated switcher's model is the profile's unless given.
int simulate_with_profile_main(const std::vector<std::string>& args) {
  return simulate_command_main(args, profile_with_notes().klv_model);
}

int simulate_main(const std::vector<std::string>& args) {
  std::vector<std::string> screen_args{"--simulate"};
  screen_args.insert(screen_args.end(), args.begin(), args.end());
  return run_screen(screen_args);
}

}  // namespace

// The process exit code: 0 success, 1 failure, 2 bad usage or an unreadable
// file, 128 + the signal that ended a run (130 Ctrl+C, 143 SIGTERM, 129
// SIGHUP), 141 when send-all's output was closed.
int run_cli(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  LinkLogFile log;
  std::string log_error;
  if (int status = take_log_option(&args, &log, &log_error)) {
    if (status == kExitUsage) return cli_usage_error(log_error);
    // Asked for a log and cannot keep one: nothing runs without it.
    std::cerr << "klvc: " << shown(log_error) << "\n";
    return kExitUsage;
  }
  if (!args.empty()) {
    for (const CliCommand& c : kCommands) {
      if (c.run && args[0] == c.word) {
        return c.run(std::vector<std::string>(args.begin() + 1, args.end()), log);
      }
    }
  }
  return kDefaultCommand(args, log);
}

}  // namespace klvc

int main(int argc, char** argv) { return klvc::run_cli(argc, argv); }
