// A system library loaded on first use rather than at program start, the way
// Windows loads a component's DLL when the component is created: a run that
// never needs it does not pay for mapping it and what it pulls in.
#pragma once

#include <dlfcn.h>

namespace qmon::platform::posix {

class SharedLibrary {
 public:
  // Never unloaded: its own exit handlers may still run.
  explicit SharedLibrary(const char* soname) : handle_(dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}

  bool loaded() const { return handle_ != nullptr; }

  // Points `function` at the library's symbol `name`; false when missing.
  template <typename F>
  bool Bind(const char* name, F*& function) const {
    function = handle_ ? reinterpret_cast<F*>(dlsym(handle_, name)) : nullptr;
    return function != nullptr;
  }

 private:
  void* handle_;
};

}  // namespace qmon::platform::posix
