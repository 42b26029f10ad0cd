#include "sim/simulate_command.h"

#include <signal.h>

#include <cstdlib>
#include <iostream>

#include "link/link_log.h"
#include "sim/simulator.h"

namespace klvc {

namespace {

bool parse_int(const std::string& text, int lo, int hi, int* value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  int v = std::atoi(text.c_str());
  if (v < lo || v > hi) return false;
  *value = v;
  return true;
}

int usage_error(const std::string& message) {
  std::cerr << "klvc: " << message << "\nRun 'klvc --help'.\n";
  return 2;
}

}  // namespace

bool parse_simulate_args(const std::vector<std::string>& args, SimulateOptions* o,
                         std::string* error) {
  bool slave_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) {
        *error = a + " needs a value";
        return false;
      }
      *out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      o->help = true;
    } else if (a == "--model") {
      if (!value(&v)) return false;
      if (v.size() != 1 || v[0] < 'A' || v[0] > 'E') {
        *error = "--model takes A, B, C, D or E (KLV-A..KLV-E), not '" + v + "'";
        return false;
      }
      o->model = v[0] - 'A';
    } else if (a == "--rs485") {
      o->rs485 = true;
    } else if (a == "--slave") {
      if (!value(&v)) return false;
      if (!parse_int(v, 0, 31, &o->slave)) {
        *error = "--slave takes a number from 0 to 31, not '" + v + "'";
        return false;
      }
      slave_given = true;
    } else if (a == "--link") {
      if (!value(&o->link)) return false;
    } else if (a == "--fail") {
      if (!value(&v)) return false;
      std::size_t colon = v.find(':');
      int nth = 0;
      if (colon == std::string::npos || colon + 1 >= v.size() ||
          !parse_int(v.substr(0, colon), 1, 100000000, &nth)) {
        *error = "--fail takes N:ANSWER (the Nth line gets ANSWER, e.g. 5:E3), not '" + v + "'";
        return false;
      }
      o->faults.emplace_back(nth, v.substr(colon + 1));
    } else if (a == "--silent") {
      o->silent = true;
    } else if (a == "--delay") {
      if (!value(&v)) return false;
      if (!parse_int(v, 0, 60000, &o->delay_ms)) {
        *error = "--delay takes milliseconds from 0 to 60000, not '" + v + "'";
        return false;
      }
    } else {
      *error = "simulate: unknown option '" + a + "'";
      return false;
    }
  }
  if (slave_given && !o->rs485) {
    *error = "--slave needs --rs485";
    return false;
  }
  return true;
}

std::string simulate_command_usage() {
  return "  klvc simulate [--model A..E] [--rs485 --slave N] [--link PATH]\n"
         "                [--fail N:ANSWER] [--silent] [--delay MS]\n"
         "                              run a simulated switcher on a pseudo-terminal until\n"
         "                              interrupted; prints its path (PATH becomes a link to it)\n";
}

int simulate_command_main(const std::vector<std::string>& args) {
  SimulateOptions o;
  std::string error;
  if (!parse_simulate_args(args, &o, &error)) return usage_error(error);
  if (o.help) {
    std::cout << "Usage:\n" << simulate_command_usage();
    return 0;
  }

  // Signals are taken with sigwait below; block them before the port's
  // thread starts so it inherits the mask.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  SimulatedPort port(o.model);
  Simulator& sim = port.simulator();
  sim.set_rs485(o.rs485, o.slave);
  sim.set_silent(o.silent);
  for (const auto& [nth, answer] : o.faults) sim.fail_command(nth, answer + "\r\n");
  port.set_answer_delay_ms(o.delay_ms);
  port.set_observer([](const std::string& line, const std::string& answer) {
    std::cout << "> " << escape_bytes(line)
              << (answer.empty() ? std::string("   (no answer)") : "   < " + escape_bytes(answer))
              << std::endl;
  });
  if (!port.start(&error) || (!o.link.empty() && !port.set_link_path(o.link, &error))) {
    std::cerr << "klvc: cannot start the simulated switcher: " << error << "\n";
    return 1;
  }
  std::cout << port.slave_path() << std::endl;
  std::cerr << "Simulated " << model_name(o.model) << " switcher on " << port.slave_path();
  if (!o.link.empty()) std::cerr << " (also " << o.link << ")";
  if (o.rs485) std::cerr << ", RS-485 slave " << o.slave;
  std::cerr << ". Ctrl+C stops it." << std::endl;

  int sig = 0;
  sigwait(&stop_signals, &sig);
  port.stop();
  port.set_link_path("", &error);
  return 130;
}

}  // namespace klvc
