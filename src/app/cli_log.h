// The command line's traffic log, `--log FILE`: every line the link sends,
// every answer, every pairing and event, for finding out on site what went
// wrong.
#pragma once

#include <string>
#include <vector>

namespace klvc {

// Appends every line the link tells from now on to `path`: local time with
// milliseconds, "->" sent, "<-" received, "--" an event or a pairing, then
// the bytes with CR, LF and other control bytes written as escapes. False
// (and *error: the path and the system's reason) when it cannot be opened.
bool open_link_log(const std::string& path, std::string* error);
void close_link_log();
bool link_log_is_open();
std::string link_log_path();  // the open log's path; empty when none
// Put in front of every line from now on (several runs sharing one log
// file say which is which); empty for none.
void set_link_log_tag(const std::string& tag);

// "--log FILE" (or "--log=FILE") anywhere before "--", valid with every
// command: removed from `args` and the log opened. 0 when fine or absent;
// 2 with *error when FILE is missing (bad usage); 1 with *error when the
// file cannot be opened. *path gets FILE.
int take_log_option(std::vector<std::string>* args, std::string* error, std::string* path = nullptr);

}  // namespace klvc
