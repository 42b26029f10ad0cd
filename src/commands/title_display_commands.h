// The title overlay commands: each input's title shown or not, and titles
// shown on each output or not.
#pragma once

#include <string>

namespace klvc {

struct SwitcherSettings;

// "TCI" + input + "ON"/"OF" + CR LF from input_title_display[input] (input
// 0..63); "" for an input outside the store.
std::string input_title_display_command(const SwitcherSettings& s, int input);
// "TCO" + output + "ON"/"OF" + CR LF from output_title_display[output]
// (output 0..15); "" for an output outside the store.
std::string output_title_display_command(const SwitcherSettings& s, int output);

}  // namespace klvc
