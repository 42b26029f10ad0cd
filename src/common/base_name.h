// A file's own name without its folders, and the folder it is in: what
// messages call a file by, and where its neighbours are.
// Apart from every layer, so that the screen and the program share one.
#pragma once

#include <string>

namespace klvc {

// "c.dat" for "/a/b/c.dat"; the path itself when it holds no '/'.
inline std::string base_name(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "/a/b" for "/a/b/c.dat", "/" for "/c.dat", "." for "c.dat".
inline std::string folder_of(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// `name` read beside the file `path`: "/a/b/n" for ("/a/b/c.ini", "n"); an
// absolute name, or a path without folders, leaves the name as it is.
inline std::string beside(const std::string& path, const std::string& name) {
  const auto slash = path.rfind('/');
  if (name.empty() || name[0] == '/' || slash == std::string::npos) return name;
  return path.substr(0, slash + 1) + name;
}

}  // namespace klvc
