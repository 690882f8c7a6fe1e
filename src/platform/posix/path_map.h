// Where the emulated machine's paths live on the Linux file system.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/file_stamp.h"

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
  // A folder whose listing was searched, as it was then.
  struct Listing {
    std::string folder;
    FileStamp stamp;
  };
  struct Resolved {
    std::string native;
    bool exists = true;             // every component was found
    bool cacheable = true;          // no listing searched was changing meanwhile
    std::vector<Listing> listings;  // in path order
  };
  Resolved Resolve(std::string root, std::string_view rest) const;
  static bool StillHolds(const Resolved& resolved);
  // The open folder `native` (stat as `now`); null when it cannot be opened.
  DIR* OpenFolder(const std::string& native, const struct stat& now) const;

  std::string prefix_;
  mutable std::unordered_map<std::string, Resolved> resolved_;  // by absolute path as given
  // Folders searched, by native path, with the device and inode opened.
  mutable std::unordered_map<std::string, std::pair<std::shared_ptr<DIR>, FileStamp>> folders_;
};

}  // namespace qmon::platform::posix
