// The settings as UTF-8 text, both ways: the text form (one `key = value`
// per line, comment lines between groups) and the titles CSV (a header
// `channel,title`, one row per channel), and the list of settings that
// differ between two stores.
#pragma once

#include <string>
#include <vector>

#include "settings/settings_file.h"

namespace klvc {

// Says why a title (Shift-JIS bytes) cannot be sent, or "" when it can: the
// title dialog's own check, handed in by the layers that can see it.
using TitleCheck = std::string (*)(const std::string& sjis);

// One saved setting as the text form shows it.
struct SettingText {
  int line;           // its line in the settings file (1..1507)
  std::string key;    // "route out03"
  std::string value;  // "in12", "\"カメラ1\""
  std::string note;   // "Auto on KLV-A", or ""
};

// Every saved setting of `s`, in settings-file order. Values are the file's
// numbers, so a route on Auto shows as `model`'s input count plus one.
std::vector<SettingText> settings_as_text(const SwitcherSettings& s, int model);

// The text form of `s`: every setting, with comment lines.
std::string settings_text(const SwitcherSettings& s, int model);

// The titles CSV of `s`: header, 64 rows, CR LF, RFC 4180 quoting.
std::string titles_csv(const SwitcherSettings& s);

// "key: a-value -> b-value" for each setting whose values differ, in file order.
std::vector<std::string> settings_differences(const std::vector<SettingText>& a,
                                              const std::vector<SettingText>& b);

struct TextImport {
  bool titles_csv = false;          // the text was a titles CSV
  int settings = 0;                 // how many settings it sets
  std::vector<FileProblem> errors;  // when not empty, the store was left as it was
  std::vector<FileProblem> notes;
};

// Reads the text form, or a titles CSV (recognised by its header), as UTF-8
// (a byte-order mark is skipped) or, when the bytes are not UTF-8, as CP932,
// with a note. Every error is listed with its line. Only when there are none
// is `s` changed, and then only the settings the text holds; a route given as
// `model`'s input count plus one is Auto, as in the settings file.
TextImport import_settings_text(SwitcherSettings& s, int model, const std::string& bytes, TitleCheck check);

}  // namespace klvc
