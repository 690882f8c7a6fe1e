// Profile files behind a parsed copy per file. A copy serves reads until the
// file's stamp changes on disk.
//
// Writes stay in the copy, which answers the reads of that file, until the
// file is flushed: it is then replaced whole through a temporary file, so
// another process sees the file as it was before the writes or with all of
// them, never a state in between. A file changed on disk meanwhile is read
// again and the pending writes are made again over it, in order.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/profile/profile_disk.h"
#include "platform/profile/profile_text.h"
#include "platform/profile/write_log.h"

namespace qmon::platform::profile {

class ProfileStore {
 public:
  explicit ProfileStore(ProfileDisk& disk) : disk_(disk) {}

  // The parsed file, pending writes included; null when it cannot be read,
  // with *error the disk's Win32 code.
  const ProfileText* Load(const std::string& path, int32_t* error);

  // Makes WritePrivateProfileStringA's change for (section, key, value) to
  // the current text (empty for a missing file) and keeps it for the next
  // flush, to be made again should the file change on disk before then. A
  // null key deletes the section, a null value the key. The file exists after
  // the flush, even when nothing was to change. Answers 0 or the Win32 error
  // code: ERROR_PATH_NOT_FOUND when the folder is missing, ERROR_ACCESS_DENIED
  // when the file is read-only, whether or not anything was to change. The
  // first write of a step looks at the disk; the later ones trust the copy,
  // as the flush reads the file again if it changed and makes them over it.
  int32_t Update(const std::string& path, const char* section, const char* key,
                 const char* value);

  // Whether the file has writes waiting for the flush.
  bool Pending(const std::string& path) const {
    const auto found = files_.find(path);
    return found != files_.end() && found->second.dirty();
  }

  // Writes the file whole when writes are pending. When that fails, or a
  // write since the last flush failed, the writes are dropped and the file
  // keeps what it held, so a step's writes reach it all or not at all;
  // answers the Win32 error code.
  int32_t Flush(const std::string& path);
  // Flushes every file; answers the first error.
  int32_t FlushAll();

 private:
  struct Cached {
    FileStamp stamp;        // of the file on disk the text was read from
    bool on_disk = false;   // false: the file is to be created
    ProfileText text;       // with the pending writes made
    WriteLog pending;  // the writes since the file was read
    bool dirty() const { return !on_disk || !pending.empty(); }
  };

  // The copy when it is current, else the file read again (or an empty text
  // for a file still to be created) with the pending writes made again.
  // `stat_error` and `stamp` are what the disk answered for the file.
  Cached* Fresh(const std::string& path, int32_t stat_error, const FileStamp& stamp,
                int32_t* error);
  // Makes the write to the copy and keeps it; `always` keeps it even when it
  // changes nothing in the copy, which may be older than the file.
  static void Keep(Cached& cached, const char* section, const char* key, const char* value,
                   bool always);
  void Replay(Cached& cached);

  ProfileDisk& disk_;
  std::unordered_map<std::string, Cached> files_;
  // Files a write failed for since their last flush: later writes fail alike.
  std::unordered_map<std::string, int32_t> failed_;
};

}  // namespace qmon::platform::profile
