// Where the emulated machine's paths live on the Linux file system.
#pragma once

#include <string>
#include <string_view>

namespace qmon::platform::posix {

class PathMap {
 public:
  // `prefix`: the native root of the emulated machine (QMON_PREFIX).
  explicit PathMap(std::string prefix);

  const std::string& prefix() const { return prefix_; }

  // A Windows-form path (UTF-8) to the native path. "x:\..." lies under
  // prefix/drive_x; a path that starts with "/" is native already; backslashes
  // become slashes. Each component that exists is taken as spelled, otherwise
  // the entry of its folder that equals it without regard to case; missing
  // components keep the spelling given.
  std::string Native(std::string_view path) const;

  // A native path back to Windows form when it lies under prefix/drive_x,
  // otherwise unchanged.
  std::string Windows(std::string_view native) const;

 private:
  std::string prefix_;
};

}  // namespace qmon::platform::posix
