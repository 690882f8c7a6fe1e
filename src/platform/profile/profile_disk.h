// The disk work of the profile engine, one implementation per platform. Paths
// are in the form the engine's path conversion gives (the disk's own form).
// Every call answers 0 or the Win32 error code the profile functions report,
// so both platforms fail alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_stamp.h"

namespace qmon::platform::profile {

class ProfileDisk {
 public:
  virtual ~ProfileDisk() = default;

  // The stamp of an existing file and whether it is read-only. Errors:
  // kErrorFileNotFound (the folder exists), kErrorPathNotFound (it does not),
  // kErrorAccessDenied (a folder, or no access), or what the system reports
  // (a sharing violation, ...).
  virtual int32_t Stat(const std::string& path, FileStamp* stamp, bool* read_only) = 0;

  // The whole file and the stamp of what was read.
  virtual int32_t ReadWhole(const std::string& path, std::string* bytes, FileStamp* stamp) = 0;

  // Both write the whole file under a temporary name in the same folder
  // first (platform/temp_name.h) and then give it the file's name, so no
  // reader ever sees a half-written file.
  // Creates a file that must not exist yet, holding `bytes`.
  virtual int32_t CreateNew(const std::string& path, std::string_view bytes,
                            FileStamp* stamp) = 0;
  // Replaces the file by one holding `bytes`. The file keeps its permissions
  // or attributes.
  virtual int32_t ReplaceWhole(const std::string& path, std::string_view bytes,
                               FileStamp* stamp) = 0;
};

}  // namespace qmon::platform::profile
