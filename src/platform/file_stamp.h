// Which file, in which version: equal stamps mean the bytes have not changed
// since. Each backend fills the fields from what its system offers (device
// and inode, or volume serial and file index; the modification and change
// times in the system's own unit). The change time is what a writer cannot
// set back: an edit of the same size that restores the modification time, or
// falls within its clock tick, still shows there. Caches of files read from
// disk keep one.
#pragma once

#include <cstdint>

namespace qmon::platform {

struct FileStamp {
  uint64_t volume = 0;
  uint64_t file = 0;
  uint64_t size = 0;
  int64_t modified = 0;
  int64_t changed = 0;
  bool operator==(const FileStamp&) const = default;
};

}  // namespace qmon::platform
