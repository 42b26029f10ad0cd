// What the links say about their traffic: every line sent, every answer
// received, which line each answer settled, and the links' events. A link
// only says it; listeners (the screen's traffic list, the command line's
// --log file) hear it. One hub for the process: it is an output channel,
// not a document, so it is not handed around like a Link.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "common/escape.h"

namespace klvc {

// Pairing: which line an answer settled (a log's reader wants it; a screen
// that shows each line beside its answer does not).
enum class LogDirection { Sent, Received, Event, Pairing };

// Tells every listener, on the calling thread: sent and received bytes as
// they went, events and pairings as text.
void log_link(LogDirection direction, std::string_view bytes);

// Hears every line log_link gets, on the thread that logs it. Returns an id
// for remove_link_listener; once that returns, the listener is no longer running.
using LinkListener = std::function<void(LogDirection direction, std::string_view bytes)>;
int add_link_listener(LinkListener listener);
void remove_link_listener(int id);

}  // namespace klvc
