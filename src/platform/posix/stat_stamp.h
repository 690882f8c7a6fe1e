// The stamp of a file from what stat() answered.
#pragma once

#include <sys/stat.h>

#include "platform/file_stamp.h"

namespace qmon::platform::posix {

inline int64_t Nanoseconds(const struct timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

inline FileStamp StampOf(const struct stat& st) {
  return FileStamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                   static_cast<uint64_t>(st.st_size), Nanoseconds(st.st_mtim),
                   Nanoseconds(st.st_ctim)};
}

}  // namespace qmon::platform::posix
