// Profile files behind a parsed copy per file. A copy serves reads until the
// file's stamp changes on disk; the store's own writes update the copy
// instead of reading again.
//
// A change reaches the disk in the cheapest safe way: a same-length change is
// written in place, an addition at the end is appended, a change near the end
// rewrites the rest of the file in place, anything else replaces the file
// through a temporary one.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/profile/profile_disk.h"
#include "platform/profile/profile_text.h"

namespace qmon::platform::profile {

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
  explicit ProfileStore(ProfileDisk& disk) : disk_(disk) {}

  // The parsed file; null when it cannot be read, with *error the disk's
  // Win32 code.
  const ProfileText* Load(const std::string& path, int32_t* error);

  // Lets `plan` decide the change from the current text (empty for a missing
  // file) and writes it. The file exists afterwards, even when nothing was to
  // change. Answers 0 or the Win32 error code: ERROR_PATH_NOT_FOUND when the
  // folder is missing, ERROR_ACCESS_DENIED when the file is read-only,
  // whether or not anything was to change.
  using Plan = std::function<std::optional<TextEdit>(const ProfileText&)>;
  int32_t Update(const std::string& path, const Plan& plan);

  const ProfileStoreStats& stats() const { return stats_; }

 private:
  struct Cached {
    FileStamp stamp;
    ProfileText text;
  };

  // The cached copy when `stamp` still matches, else the file read again.
  Cached* Fresh(const std::string& path, const FileStamp& stamp, int32_t* error);
  int32_t Write(const std::string& path, Cached& cached, const TextEdit& edit);

  ProfileDisk& disk_;
  std::unordered_map<std::string, Cached> files_;
  ProfileStoreStats stats_;
};

}  // namespace qmon::platform::profile
