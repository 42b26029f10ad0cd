#include <string>

#include "ui/backend.h"

namespace klvc::ui {

std::unique_ptr<Backend> make_terminal_backend(std::string* error) {
  if (error) *error = "klvc needs a terminal";
  return nullptr;
}

}  // namespace klvc::ui
