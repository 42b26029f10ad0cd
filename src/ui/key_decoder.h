// Terminal input bytes to events: CSI and SS3 keys, function keys, Alt+letter,
// control keys, UTF-8 text (an input method's output arrives as one burst of
// text) and xterm mouse reports. Pure: the caller says whether the input has
// gone quiet, which is what turns a lone ESC into the Escape key.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "ui/event.h"

namespace klvc::ui {

// Appends the events of `bytes` to `out` and returns how many bytes were used.
// An incomplete sequence at the end is left for the next call (not counted)
// unless `timed_out`, when it is decoded as far as it goes.
std::size_t decode_input(std::string_view bytes, bool timed_out, std::vector<Event>& out);

}  // namespace klvc::ui
