// Sets an environment variable (or removes it, for nullopt) for one scope.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

namespace qmon::test {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Apply(value);
  }
  ~ScopedEnv() { Apply(old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Apply(const std::optional<std::string>& value) {
#ifdef _WIN32
    _putenv_s(name_, value ? value->c_str() : "");  // an empty value removes it
#else
    value ? setenv(name_, value->c_str(), 1) : unsetenv(name_);
#endif
  }
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace qmon::test
