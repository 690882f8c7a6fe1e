// The stamp of a file from what stat() answered.
#pragma once

#include <sys/stat.h>

#include "platform/file_stamp.h"

namespace qmon::platform::posix {

inline FileStamp StampOf(const struct stat& st) {
  return FileStamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                   static_cast<uint64_t>(st.st_size),
                   static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

}  // namespace qmon::platform::posix
