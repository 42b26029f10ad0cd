// Where each integer of the store sits in the settings file, its range for
// the largest model and its default; shared by the reader, the writer and
// the text form of `klvc file export|import|diff`.
#pragma once

#include <array>

#include "settings/store.h"

namespace klvc {

constexpr int kSettingsFileLines = 1507;
constexpr int kTitlesFirstLine = 1;
constexpr int kPasswordLine = 1507;
constexpr int kTextBufferBytes = 33;  // the working buffer holds 33 bytes of text

// How a listing names one element of a run.
enum class ElementLabel { kNone, kChannel, kInput, kOutput, kAlarmInputTerminal, kInputOutput, kChannelTerminal };
// How a listing shows a value.
enum class ValueShown { kOnOff, kSkipLive, kMakeBreak, kChannel, kRoute, kSeconds, kHoldTime,
                        kAlarmInputTerminal, kAlarmOutputTerminal };

// A run of consecutive integers in the file, one store field.
struct IntRun {
  const char* key;     // name in listings
  const char* what;    // what one value is, for messages
  int first_line;
  int count;
  int* (*values)(SwitcherSettings&);
  int min;
  int max;
  int default_value;      // used unless default_is_index
  bool default_is_index;  // element i defaults to i
  ElementLabel label;
  ValueShown shown;
  const char* group;      // comment of the text form's group that starts here; null continues one

  int default_for(int i) const { return default_is_index ? i : default_value; }
  const int* values_of(const SwitcherSettings& s) const { return values(const_cast<SwitcherSettings&>(s)); }
};

extern const std::array<IntRun, 18> kIntRuns;

// A value as the file holds it, and back. The file has no number of its own
// for "Auto": a route on the automatic sequence is written as the model's
// input count, and that number reads back as Auto under the same model. Every
// other value is the same number in the file and in the store, so any file
// reads and writes back byte for byte.
int file_value(const IntRun& run, int value, int model);
int stored_value(const IntRun& run, int file_value, int model);

}  // namespace klvc
