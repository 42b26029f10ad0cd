// The automatic sequence's commands: SKIP/LIVE per input and output, and
// each output's dwell time.
#pragma once

#include <string>

namespace klvc {

struct SwitcherSettings;

constexpr int kMaxDwellSeconds = 60;

// "ASM" + output + input + 'L'/'S' + CR LF from sequence_live[input][output]
// (the output comes first on the wire); "" for an index outside the store.
std::string sequence_live_command(const SwitcherSettings& s, int input, int output);
// "AST" + output + seconds ("01".."60") + CR LF from dwell_times[output];
// "" for an output outside the store or a stored time outside 1..60 s.
std::string dwell_time_command(const SwitcherSettings& s, int output);

}  // namespace klvc
