// What each switcher last received. The switcher cannot be read back, so
// after a send-all run in which every line was answered GO, klvc keeps the
// settings the switcher now holds as a settings file under
// $XDG_STATE_HOME/klvc/sent/ (else ~/.local/state/klvc/sent/); a run that
// fails or is stopped removes it, so the next run sends everything.
//
// A record is named for the port as the user wrote it (never the device it
// resolves to today: /dev/ttyUSB0 may be another adapter after a reboot),
// "host:port" for a network port whichever protocol reaches it, the RS-485
// slave, and the model, whose Auto route the file's numbers depend on:
//   %2Fdev%2Fserial%2Fby-id%2Fusb-x@slave3.C.dat
#pragma once

#include <string>

namespace klvc {

struct SendAllTarget;
struct SwitcherSettings;

// Where one switcher's record lives, before the model is known.
struct SentRecordKey {
  std::string port;  // as the user wrote it: --port, port =, or COMn's mapped device
  bool rs485 = false;
  int slave = 0;
};

// $XDG_STATE_HOME/klvc/sent, else the home folder's .local/state/klvc/sent
// (the home from the password database when HOME is unset).
std::string sent_records_folder();
// The record's file for `model` (0..4).
std::string sent_record_path(const SentRecordKey& key, int model);

// The record of `key` whatever its model: its path and *model, or empty.
std::string find_sent_record(const SentRecordKey& key, int* model);

// For `send-all --changed`: the record to send the differences from, or
// empty (send everything) with *note saying why when there is one to say
// (a record for another model, or one that does not read back clean).
std::string sent_record_for_changes(const SentRecordKey& key, int model, std::string* note);

// After a run on a port: `received` (every line answered GO) records
// `settings` (those the run sent) as what the switcher holds now, else the record goes.
// Returns a message for stderr, empty when there is nothing to say; *unsafe
// is set when a record that no longer holds could not be removed.
std::string settle_sent_record(const SendAllTarget& t, const SwitcherSettings& settings, bool received,
                               bool* unsafe);

// `klvc file diff --sent PORT [--slave N] FILE`: the settings FILE holds
// that differ from the record, as `file diff` prints them. Exit status as
// file diff's: 0 nothing differs, 1 something does (or there is no record:
// everything would be sent), 2 FILE cannot be read.
int file_diff_sent(const SentRecordKey& key, const std::string& file);

}  // namespace klvc
