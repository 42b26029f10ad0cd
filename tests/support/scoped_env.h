// An environment variable set (or removed) for a test's scope and put back
// as it was after it; TZ changes reach the C library's time functions.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace klvc::testing {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    set(value);
  }
  ~ScopedEnv() { set(old_ ? old_->c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  // nullptr removes the variable.
  void set(const char* value) {
    if (value) {
      ::setenv(name_.c_str(), value, 1);
    } else {
      ::unsetenv(name_.c_str());
    }
    ::tzset();
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace klvc::testing
