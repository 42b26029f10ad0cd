// The command line's traffic log, `--log FILE`: every line the link sends,
// every answer, every pairing and event, for finding out on site what went
// wrong.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "link/link_log.h"

namespace klvc {

// Once open, appends every line the link tells to its file: local time with
// milliseconds, "->" sent, "<-" received, "--" an event or a pairing, then
// the bytes with CR, LF and other control bytes written as escapes. One per
// run of the command line; closed when it goes.
class LinkLogFile {
 public:
  LinkLogFile() = default;
  LinkLogFile(const LinkLogFile&) = delete;
  LinkLogFile& operator=(const LinkLogFile&) = delete;
  ~LinkLogFile() { close(); }

  // False (and *error: the path and the system's reason) when `path` cannot
  // be opened.
  bool open(const std::string& path, std::string* error);
  void close();
  bool is_open() const;
  std::string path() const;  // empty when none is open
  // Put in front of every line from now on (several runs sharing one log
  // file say which is which); empty for none.
  void set_tag(const std::string& tag);

 private:
  void write_line(LogDirection direction, std::string_view bytes);

  mutable std::mutex mutex_;  // the link logs on the UI thread and the reader thread
  std::FILE* file_ = nullptr;
  std::string tag_;
  std::string path_;
  int listener_ = 0;
};

// "--log FILE" (or "--log=FILE") anywhere before "--", valid with every
// command: removed from `args` and `log` opened. 0 when fine or absent;
// 2 with *error when FILE is missing (bad usage); 1 with *error when the
// file cannot be opened. *path gets FILE.
int take_log_option(std::vector<std::string>* args, LinkLogFile* log, std::string* error,
                    std::string* path = nullptr);

}  // namespace klvc
