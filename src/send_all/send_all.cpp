#include "send_all/send_all.h"

#include <algorithm>
#include <iostream>

#include "send_all/fleet.h"
#include "send_all/target.h"
#include "profile/profile.h"
#include "common/text.h"
#include "link/net_port.h"
#include "settings/store.h"

namespace klvc {

// ---------------------------------------------------------------- arguments

namespace {

enum SendAllOption {
  kHelp, kModel, kPort, kCom, kSimulate, kRs485, kSlave, kBase, kDryRun, kForce, kPace, kChangedFrom,
  kTargets, kOnly, kChanged, kSummary, kJobs, kPeriods, kFail, kRecords,
};

const std::vector<CliOption> kSendAllOptions = {
    {"help", false, kHelp, 'h'}, {"model", true, kModel},     {"port", true, kPort},
    {"com", true, kCom},         {"simulate", false, kSimulate}, {"rs485", false, kRs485},
    {"slave", true, kSlave},     {"base", true, kBase},       {"dry-run", false, kDryRun},
    {"force", false, kForce},    {"pace", true, kPace},       {"changed-from", true, kChangedFrom},
    {"targets", true, kTargets}, {"only", true, kOnly},       {"changed", false, kChanged},
    {"summary", false, kSummary},
    {"jobs", true, kJobs},       {"periods", true, kPeriods}, {"fail", true, kFail},
    {"records", false, kRecords},
};

std::string take_option(SendAllOptions* o, int* port_choices, int id, const std::string& v) {
  switch (id) {
    case kHelp: o->help = true; break;
    case kModel: return model_value(v, &o->model);
    case kPort: {
      if (v.empty()) return "--port needs a device path";
      NetAddress address;
      std::string why;
      if (is_network_port(v) && !parse_network_port(v, &address, &why)) return "--port " + why;
      o->port = v;
      ++*port_choices;
      break;
    }
    case kCom:
      if (!parse_number(v, 1, kComPortCount, &o->com)) {
        return "--com takes 1 to " + std::to_string(kComPortCount) + ", not '" + v + "'";
      }
      o->com -= 1;
      ++*port_choices;
      break;
    case kSimulate:
      o->simulate = true;
      ++*port_choices;
      break;
    case kRs485: o->rs485 = true; break;
    case kSlave: return slave_value(v, &o->slave);
    case kBase: o->base = v; break;
    case kDryRun: o->dry_run = true; break;
    case kForce: o->force = true; break;
    case kPace:
      if (!parse_pace_word(v, &o->pace)) return "--pace takes timed or ack, not '" + v + "'";
      o->pace_given = true;
      break;
    case kChangedFrom:
      if (v.empty()) return "--changed-from needs the settings file the switcher holds now";
      o->changed_from = v;
      break;
    case kTargets:
      if (v.empty()) return "--targets needs a targets file";
      o->targets = v;
      break;
    case kOnly: o->only.push_back(v); break;
    case kRecords: o->records = true; break;
    case kChanged: o->changed = true; break;
    case kSummary: o->summary = true; break;
    case kPeriods:
      if (!parse_send_all_periods(v, &o->periods)) return "--periods takes FAST:SLOW in ms, 1 to 60000 each, not '" + v + "'";
      o->periods_given = true;
      break;
    case kFail: return fail_value(v, &o->faults);
    case kJobs:
      if (!parse_number(v, 1, 4096, &o->jobs)) return "--jobs takes 1 to 4096, not '" + v + "'";
      break;
  }
  return {};
}

// Options that a targets file gives for each switcher.
bool targets_take_the_rest(const SendAllOptions& o, std::string* error) {
  const bool single = !o.file.empty() || !o.base.empty() || !o.changed_from.empty() || o.model >= 0 ||
                      !o.port.empty() || o.com >= 0 || o.simulate || o.rs485 || o.slave >= 0 ||
                      o.pace_given || o.periods_given || !o.faults.empty();
  if (!single) return true;
  *error = "--targets takes each switcher's file, port, model, interface and pace from the targets file; "
           "only --only, --changed, --jobs, --dry-run and --force go with it";
  return false;
}

}  // namespace

bool parse_pace_word(const std::string& word, PaceMode* pace) {
  const std::string w = ascii_lower(word);
  if (w != "timed" && w != "ack") return false;
  *pace = w == "ack" ? PaceMode::Ack : PaceMode::Timed;
  return true;
}

bool parse_send_all_args(const std::vector<std::string>& args, SendAllOptions* options, std::string* error) {
  SendAllOptions o;
  int port_choices = 0;
  std::vector<std::string> operands;
  auto take = [&](int id, const std::string& v) { return take_option(&o, &port_choices, id, v); };
  if (!parse_cli_args(args, kSendAllOptions, take, &operands, error)) return false;
  if (operands.size() > 1) {
    *error = "one settings file only ('" + operands[0] + "' and '" + operands[1] + "')";
    return false;
  }
  if (!operands.empty()) o.file = operands[0];
  if (port_choices > 1) {
    *error = "choose one of --port, --com and --simulate";
    return false;
  }
  if (o.slave >= 0 && !o.rs485) {
    *error = "--slave needs --rs485";
    return false;
  }
  if (!o.targets.empty() && !targets_take_the_rest(o, error)) return false;
  if (o.changed && !o.changed_from.empty()) {
    *error = "choose one of --changed (the record of what the switcher holds) and --changed-from";
    return false;
  }
  if (o.changed && o.simulate) {
    *error = "--changed needs a port: the built-in simulated switcher starts afresh in every run";
    return false;
  }
  if (o.periods_given && o.pace != PaceMode::Timed) {
    *error = "--periods is for --pace timed";
    return false;
  }
  if (!o.faults.empty() && !o.simulate) {
    *error = "--fail is for the built-in simulated switcher (--simulate)";
    return false;
  }
  if (o.summary && !o.targets.empty()) {
    *error = "--summary is for one switcher; --targets ends in its own summary table";
    return false;
  }
  if ((!o.only.empty() || o.jobs > 0 || o.records) && o.targets.empty()) {
    *error = std::string(o.jobs > 0 ? "--jobs" : o.records ? "--records" : "--only") + " needs --targets";
    return false;
  }
  if (o.records && o.only.empty()) {
    *error = "--records needs --only NAME for each switcher of the port it runs";
    return false;
  }
  *options = std::move(o);
  return true;
}

std::string send_all_usage() {
  return "Usage: klvc send-all [FILE] [--base BASE.dat] [--model A..E]\n"
         "                     [--port DEV | --com N | --simulate] [--rs485 --slave N]\n"
         "                     [--pace ack|timed] [--changed-from OLD.dat | --changed] [--dry-run]\n"
         "                     [--periods FAST:SLOW] [--fail N:ANSWER] [--force] [--summary]\n"
         "       klvc send-all --targets FLEET.ini [--only NAME]... [--changed] [--jobs N]\n"
         "                     [--dry-run] [--force] [--records]\n"
         "\n"
         "Sends every setting of FILE (the defaults without a file) to the switcher, with\n"
         "the same lines as 設定 > 全項目設定. FILE is a settings file (*.dat), or the\n"
         "settings text or titles CSV of 'klvc file export', applied on top of BASE.dat\n"
         "or the defaults.\n"
         "\n"
         "  --model A..E          the switcher model (default: the profile's, KLV-A without one)\n"
         "  --port DEV            the serial device, e.g. /dev/ttyUSB0, or a serial device\n"
         "                        server: tcp:HOST:PORT (raw TCP) or rfc2217:HOST:PORT\n"
         "  --com N               COM1..COM6 as mapped in the profile (default: the profile's port)\n"
         "  --simulate            talk to the built-in simulated switcher\n"
         "  --rs485               RS-485 framing (default: the profile's interface)\n"
         "  --slave N             RS-485 unit address 0..31 (default 0)\n"
         "  --base FILE           the settings file under a text or CSV (default: the defaults)\n"
         "  --pace ack            each line as soon as the line before was answered, so\n"
         "                        each answer is its line's (the default; KLV-A about 9 s,\n"
         "                        KLV-E about 29 s at 9600 baud)\n"
         "  --pace timed          the dialog's pace: a line every 80 ms, titles every 500 ms\n"
         "                        (KLV-A about 91 s, KLV-E about 155 s); answers that lag\n"
         "                        behind the lines make the run fail: their pairing is a guess\n"
         "  --periods FAST:SLOW   with --pace timed: the two periods in ms (default 80:500)\n"
         "  --fail N:ANSWER       with --simulate: the simulated switcher answers its Nth line\n"
         "                        with ANSWER (e.g. 12:E3), to rehearse a failing run\n"
         "  --changed-from OLD    send only the lines whose bytes differ from the lines the\n"
         "                        settings OLD would send: OLD must be what the switcher holds\n"
         "                        (it cannot be read back from the switcher)\n"
         "  --changed             send only the lines that differ from what klvc recorded the\n"
         "                        port (and slave) last received: everything without a record.\n"
         "                        A run answered GO throughout records it (in\n"
         "                        $XDG_STATE_HOME/klvc/sent), any other run removes it\n"
         "  --summary             end with one JSON line on stdout: dry_run, status,\n"
         "                        lines_planned, lines_sent and the verdict (for programs)\n"
         "  --targets FLEET.ini   several switchers, one section each (see below)\n"
         "  --only NAME           with --targets: only the switcher of section NAME (again for\n"
         "                        more than one)\n"
         "  --records             with --targets and --only: run those switchers, which share\n"
         "                        one port, and report on stdout as tab-separated records (how\n"
         "                        a run of many switchers hears each port's own klvc)\n"
         "  --jobs N              with --targets: at most N ports at once (default: as many\n"
         "                        as the open-file and process limits allow)\n"
         "  --dry-run             open no port; print every line the run would write\n"
         "  --force               send a file even when reading it reported problems\n"
         "\n"
         "A targets file has one section per switcher:\n"
         "  [hall-a]\n"
         "  port = /dev/ttyUSB0   ; or com = 1..6, tcp:HOST:PORT, rfc2217:HOST:PORT\n"
         "  model = A             ; A..E\n"
         "  file = hall-a.dat     ; relative to the targets file; the defaults when absent\n"
         "  rs485 = yes           ; optional, with slave = 0..31\n"
         "  slave = 3\n"
         "  pace = timed          ; ack (default) or timed\n"
         "Switchers on different ports run side by side, those on one port (an RS-485\n"
         "bus) one after another; one failing never stops the others.\n"
         "\n"
         "Each answer settles the oldest line awaiting one. The last line on stderr says\n"
         "how far the run got; --log FILE records every line, answer and pairing.\n"
         "\n"
         "Exit status: 0 every line written and answered \"GO\", and nothing else came (with\n"
         "--targets: for every switcher); 1 an error answer, \"No Connect\", a missing or\n"
         "unexpected answer, answers lagging behind the lines (timed), a lost link or a\n"
         "line the switcher's flow control held;\n"
         "2 bad usage, an unreadable file or one with problems, a bad targets file;\n"
         "128 + a signal (130 Ctrl+C, 143 SIGTERM, 129 SIGHUP), 141 the output was\n"
         "closed: each stops after the current line.\n";
}

std::string send_all_brief_usage() {
  return "  klvc send-all [FILE] [options]\n"
         "                              send every setting to the switcher (send-all --help)\n"
         "  klvc send-all --targets FLEET.ini\n"
         "                              send to several switchers at once\n";
}

int send_all_main(const std::vector<std::string>& args, LinkLogFile* log,
                  const std::function<void(Simulator&)>& after_simulation) {
  SendAllOptions o;
  if (auto end = parse_subcommand("send-all", args, parse_send_all_args, send_all_usage, &o)) return *end;
  o.log = log;
  std::vector<std::string> notes;
  Selections profile;  // this run's: port, interface and model unless given
  const PortMap ports = load_profile(profile_path(), profile, &notes);
  // A targets file's children leave the profile's notes to their parent.
  if (!o.records) {
    for (const std::string& n : notes) std::cerr << "klvc: profile: " << shown(n) << '\n';
  }
  if (!o.targets.empty()) return fleet_main(o, ports);

  SendAllTarget t;
  t.file = o.file;
  t.base = o.base;
  t.changed_from = o.changed_from;
  t.com = o.com >= 0 ? o.com : profile.com_port_index;
  // Named by the operator: taken as it is, the kernel console with a warning.
  t.device_named = !o.port.empty();
  t.device = t.device_named ? o.port : ports.device(t.com);
  t.model = o.model >= 0 ? o.model : std::clamp(profile.model_index, 0, kModelCount - 1);
  t.interface_mode = o.rs485 ? 1 : profile.interface_mode.load();
  t.slave = o.slave >= 0 ? o.slave : 0;
  t.pace = o.pace;
  t.periods = o.periods;
  t.faults = o.faults;
  t.force = o.force;
  t.changed = o.changed;
  if (!o.simulate) t.sent = {t.device, t.interface_mode == 1, t.slave};
  t.summary = o.summary;
  std::vector<SendAllScriptTick> ticks;
  SwitcherSettings settings;  // this run's: the file's, on the defaults or --base
  if (const int status = prepare_target(t, settings, std::cerr, &ticks); status != kExitOk) return status;
  if (o.dry_run) {
    const int status = print_ticks(t, ticks);
    const int lines = static_cast<int>(
        std::count_if(ticks.begin(), ticks.end(), [](const SendAllScriptTick& k) { return !k.line.empty(); }));
    if (o.summary) {
      print_run_summary(true, status, lines, 0, "klvc send-all: dry run, " + std::to_string(lines) + " lines to send");
    }
    return status;
  }
  return run_single_target(t, settings, ticks, o.simulate, after_simulation);
}

}  // namespace klvc
