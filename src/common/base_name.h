// A file's own name without its folders: what messages call a file by.
// Apart from every layer, so that the screen and the program share one.
#pragma once

#include <string>

namespace klvc {

// "c.dat" for "/a/b/c.dat"; the path itself when it holds no '/'.
inline std::string base_name(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace klvc
