// The ANSI private-profile functions over files of the emulated machine.
// File names are Windows-1252 paths; file contents are ANSI bytes, passed
// through unchanged.
#pragma once

#include <cstdint>
#include <string>

#include "platform/env.h"
#include "platform/posix/path_map.h"
#include "platform/posix/profile_store.h"

namespace qmon::platform::posix {

class PosixProfile final : public Profile {
 public:
  explicit PosixProfile(const PathMap& map) : map_(map) {}

  uint32_t GetString(const char* section, const char* key, const char* def, char* buffer,
                     uint32_t size, const char* file) override;
  uint32_t GetInt(const char* section, const char* key, int32_t def, const char* file) override;
  uint32_t GetSectionNames(char* buffer, uint32_t size, const char* file) override;
  bool WriteString(const char* section, const char* key, const char* value,
                   const char* file) override;

  // The Win32 error the last call set (GetLastError); 0 after a success.
  int32_t last_error() const { return last_error_; }
  const ProfileStoreStats& stats() const { return store_.stats(); }

 private:
  std::string NativePath(const char* file) const;
  uint32_t SectionNames(const ProfileText* text, char* buffer, uint32_t size) const;

  const PathMap& map_;
  ProfileStore store_;
  int32_t last_error_ = 0;
};

}  // namespace qmon::platform::posix
