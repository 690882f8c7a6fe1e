// Profile files on disk behind a parsed copy per file. A copy serves reads
// until the file changes on disk (size, modification time to the nanosecond,
// inode); the store's own writes update the copy instead of reading again.
//
// A change reaches the disk in the cheapest safe way: a same-length change is
// written in place, an addition at the end is appended, anything else goes to
// a temporary file that replaces the original (same permissions), so that no
// reader ever sees a half-written file.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string_view>
#include <string>
#include <unordered_map>

#include "platform/posix/profile_text.h"

namespace qmon::platform::posix {

// What the store did to the disk, for tests that check the work stays
// proportional to what changed.
struct ProfileStoreStats {
  uint64_t loads = 0;          // files read and parsed
  uint64_t reparses = 0;       // own changes after which a whole text was parsed again
  uint64_t in_place = 0;       // same-length changes written at their offset
  uint64_t appends = 0;        // additions written at the end
  uint64_t tails = 0;          // changes near the end: the rest of the file written in place
  uint64_t rewrites = 0;       // files written whole (new files included)
  uint64_t bytes_written = 0;  // by all of these
};

class ProfileStore {
 public:
  // The parsed file; null when it cannot be read, with *error the Win32
  // code: ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND (folder missing) or
  // ERROR_ACCESS_DENIED.
  const ProfileText* Load(const std::string& native, int32_t* error);

  // Lets `plan` decide the change from the current text (empty for a missing
  // file) and writes it. The file exists afterwards, even when nothing was to
  // change. Answers 0 or the Win32 error code: ERROR_PATH_NOT_FOUND when the
  // folder is missing, ERROR_ACCESS_DENIED when the file is read-only (owner
  // write bit clear), whether or not anything was to change.
  using Plan = std::function<std::optional<TextEdit>(const ProfileText&)>;
  int32_t Update(const std::string& native, const Plan& plan);

  const ProfileStoreStats& stats() const { return stats_; }

 private:
  struct Signature {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const Signature& other) const;
  };
  struct Cached {
    Signature signature;
    ProfileText text;
  };

  static Signature SignatureOf(const struct stat& st);
  int32_t Create(const std::string& native, const std::string& bytes, Signature* signature);
  // Writes `data` at `offset`; with `new_size`, the file is then cut there.
  int32_t WriteAt(const std::string& native, std::string_view data, size_t offset,
                  std::optional<size_t> new_size, Signature* signature);
  int32_t Replace(const std::string& native, const std::string& bytes, const struct stat& old,
                  Signature* signature);

  std::unordered_map<std::string, Cached> files_;
  ProfileStoreStats stats_;
};

}  // namespace qmon::platform::posix
