#include "cli/simulate_command.h"

#include <signal.h>

#include <algorithm>
#include <cstring>
#include <iostream>

#include "cli/args.h"
#include "cli/stop_signals.h"
#include "link/link_log.h"
#include "sim/simulator.h"

namespace klvc {

namespace {

enum SimulateOption { kHelp, kModel, kRs485, kSlave, kLink, kFail, kSilent, kDelay, kInstant };

const std::vector<CliOption> kSimulateOptions = {
    {"help", false, kHelp, 'h'}, {"model", true, kModel},   {"rs485", false, kRs485},
    {"slave", true, kSlave},     {"link", true, kLink},     {"fail", true, kFail},
    {"silent", false, kSilent},  {"delay", true, kDelay},   {"instant", false, kInstant},
};

std::string take_option(SimulateOptions* o, int id, const std::string& v) {
  int n = 0;
  switch (id) {
    case kHelp: o->help = true; break;
    case kModel: return model_value(v, &o->model);
    case kRs485: o->rs485 = true; break;
    case kSlave:
      if (std::string why = slave_value(v, &n); !why.empty()) return why;
      if (std::find(o->slaves.begin(), o->slaves.end(), n) != o->slaves.end()) {
        return "--slave " + v + " is given twice; each unit on the bus has its own address";
      }
      o->slaves.push_back(n);
      break;
    case kLink: o->link = v; break;
    case kFail: return fail_value(v, &o->faults);
    case kSilent: o->silent = true; break;
    case kDelay:
      if (!parse_number(v, 0, 60000, &o->delay_ms)) return "--delay takes milliseconds from 0 to 60000, not '" + v + "'";
      break;
    case kInstant: o->instant = true; break;
  }
  return {};
}

}  // namespace

bool parse_simulate_args(const std::vector<std::string>& args, SimulateOptions* o, std::string* error) {
  std::vector<std::string> operands;
  if (!parse_cli_args(args, kSimulateOptions, [o](int id, const std::string& v) { return take_option(o, id, v); },
                      &operands, error)) {
    return false;
  }
  if (!operands.empty()) {
    *error = "unexpected '" + operands[0] + "'";
    return false;
  }
  if (!o->slaves.empty() && !o->rs485) {
    *error = "--slave needs --rs485";
    return false;
  }
  return true;
}

std::string simulate_command_usage() {
  return "  klvc simulate [--model A..E] [--rs485 --slave N...] [--link PATH]\n"
         "                [--fail N:ANSWER] [--silent] [--delay MS] [--instant]\n"
         "                              run a simulated switcher on a pseudo-terminal until\n"
         "                              interrupted; prints its path (PATH becomes a link to it)\n";
}

namespace {

std::string simulate_help() {
  return "Usage: klvc simulate [options]\n"
         "\n"
         "Runs a simulated switcher on a new pseudo-terminal until Ctrl+C, SIGTERM or\n"
         "SIGHUP; prints the terminal's path first, then each line received and its answer.\n"
         "\n"
         "  --model A..E     the model (default: the profile's, KLV-A without one)\n"
         "  --rs485          RS-485: answer only the unit's own address\n"
         "  --slave N        the unit's address 0..31 (default 0); give it several times\n"
         "                   for several units on one bus, each with its own settings\n"
         "  --link PATH      also reach the terminal through PATH, a symbolic link made\n"
         "                   for the run and removed after (PATH must not exist)\n"
         "  --fail N:ANSWER  the Nth line gets ANSWER (E3, GN, MENU ...) instead\n"
         "  --silent         receive, never answer (a switched-off unit)\n"
         "  --delay MS       answer MS milliseconds late\n"
         "  --instant        no line time: by default each character takes 11/9600 s\n"
         "                   each way, as on a real 9600 baud 8E1 line\n"
         "\n"
         "Exit status: 128 + the signal that ended it (130 Ctrl+C, 143 SIGTERM, 129\n"
         "SIGHUP); 1 the simulator could not start; 2 bad usage.\n";
}

void print_trace(const SimTrace& t, int delay_ms) {
  if (!t.raw.empty()) {
    log_link(LogDirection::Received, t.raw);
    std::cout << "> " << escape_bytes(t.line)
              << (t.answer.empty() ? std::string("   (no answer)") : "   < " + escape_bytes(t.answer));
  } else {
    std::cout << "  ";
  }
  if (!t.note.empty()) {
    std::cout << (t.raw.empty() ? "" : "   ") << "[" << shown(t.note) << "]";
    log_link(LogDirection::Event, t.note);
  }
  std::cout << std::endl;
  if (!t.answer.empty()) {
    if (delay_ms > 0) log_link(LogDirection::Event, "the answer below goes out " + std::to_string(delay_ms) + " ms late");
    log_link(LogDirection::Sent, t.answer);
  }
}

}  // namespace

int simulate_command_main(const std::vector<std::string>& args, int profile_model) {
  SimulateOptions o;
  if (auto end = parse_subcommand("simulate", args, parse_simulate_args, simulate_help, &o)) return *end;
  if (o.model < 0) o.model = std::clamp<int>(profile_model, 0, kModelCount - 1);
  if (o.slaves.empty()) o.slaves.push_back(0);

  // The stop signals are heard by this thread alone, in signals.wait()
  // below: block them before the port's thread starts so it inherits the
  // mask. A closed output still ends the run as it always did.
  StopSignals signals(false);
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  SimulatedPort port(o.model, o.instant ? SimPace::Instant : SimPace::LineTime);
  auto set_up = [&o](Simulator& sim) {
    sim.set_silent(o.silent);
    for (const auto& [nth, answer] : o.faults) sim.fail_command(nth, answer + "\r\n");
  };
  port.simulator().set_rs485(o.rs485, o.slaves.front());
  set_up(port.simulator());
  for (std::size_t i = 1; i < o.slaves.size(); ++i) set_up(port.add_unit(o.slaves[i]));
  port.set_answer_delay_ms(o.delay_ms);
  port.set_observer([delay = o.delay_ms](const SimTrace& t) { print_trace(t, delay); });
  std::string error;
  if (!port.set_link_path(o.link, &error) || !port.start(&error)) {
    std::cerr << "klvc simulate: cannot start the simulated switcher: " << shown(error) << "\n";
    return kExitFailed;
  }
  std::cout << port.slave_path() << std::endl;
  std::cerr << "klvc simulate: a simulated " << model_name(o.model) << " switcher on " << port.slave_path();
  if (!o.link.empty()) std::cerr << " (also " << shown(o.link) << ")";
  if (o.rs485) {
    std::cerr << ", RS-485 unit" << (o.slaves.size() > 1 ? "s" : "");
    for (int s : o.slaves) std::cerr << ' ' << s;
  }
  std::cerr << ". Ctrl+C stops it." << std::endl;
  log_link(LogDirection::Event, "simulated " + std::string(model_name(o.model)) + " switcher on " +
                                    port.slave_path());

  const int sig = signals.wait();
  port.stop();
  log_link(LogDirection::Event, std::string("stopped by SIG") + sigabbrev_np(sig));
  return kExitSignalBase + sig;
}

}  // namespace klvc
