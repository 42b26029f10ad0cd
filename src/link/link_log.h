// The optional traffic log: every line sent and every answer received, for
// finding out on site what went wrong.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace klvc {

// Appends to `path` from now on. False (and *error: the path and the
// system's reason) when the file cannot be opened.
bool open_link_log(const std::string& path, std::string* error);
void close_link_log();
bool link_log_is_open();

// The command line's "--log FILE" (or "--log=FILE"), valid in every mode:
// removed from `args` and the log opened. 0 when fine or absent; 2 with
// *error when FILE is missing (bad usage); 1 with *error when the file cannot
// be opened.
int take_log_option(std::vector<std::string>* args, std::string* error);

// Pairing: which line an answer settled (a log's reader wants it; a screen
// that shows each line beside its answer does not).
enum class LogDirection { Sent, Received, Event, Pairing };

// One log line: local time with milliseconds, "->" sent, "<-" received,
// "--" an event of the link or a pairing, then the bytes with CR, LF and other control
// bytes written as escapes. Writes nothing while no log is open; the
// listener hears every line either way.
void log_link(LogDirection direction, std::string_view bytes);

// Hears every line log_link gets (the screen's traffic list), on the thread
// that logs it, whether or not a log file is open. Empty removes it; once
// set_link_listener returns, the old listener is no longer running.
using LinkListener = std::function<void(LogDirection direction, std::string_view bytes)>;
void set_link_listener(LinkListener listener);

// The bytes as readable text: printable ASCII as is, \r \n \t \" \\ and
// \xNN for everything else.
std::string escape_bytes(std::string_view bytes);

}  // namespace klvc
