// `klvc file export|import|diff`: the settings as text and as a titles CSV
// from the command line.
#pragma once

#include <string>
#include <vector>

namespace klvc {

struct FileArgs {
  std::vector<std::string> paths;
  std::string base;     // --base BASE.dat
  bool titles = false;  // --titles
  bool force = false;   // --force
  std::string sent;     // --sent PORT: diff FILE against the record of what PORT holds
  int slave = -1;       // --slave N with --sent: the RS-485 unit
};

int file_export(const FileArgs& args);  // FILE
int file_import(const FileArgs& args);  // TEXT OUT.dat
int file_diff(const FileArgs& args);    // A B

// The model the file commands read and write under. They address no
// switcher; any one model keeps every file's numbers as they are, and the
// text form names the model whose Auto a route number is.
constexpr int kFileCommandModel = 0;

// What `klvc file --help` says about the text form and the titles CSV.
std::string settings_text_help();

}  // namespace klvc
