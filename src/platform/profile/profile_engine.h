// The ANSI private-profile functions over a ProfileDisk. File contents are
// ANSI bytes, passed through unchanged; both platforms run this engine, so
// they read and write the same bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/env.h"
#include "platform/profile/profile_disk.h"
#include "platform/profile/profile_store.h"

namespace qmon::platform::profile {

class ProfileEngine final : public Profile {
 public:
  // `disk_path` turns the caller's ANSI file name into the disk's path.
  using PathConversion = std::function<std::string(const char* ansi)>;
  ProfileEngine(std::unique_ptr<ProfileDisk> disk, PathConversion disk_path)
      : disk_(std::move(disk)), disk_path_(std::move(disk_path)), store_(*disk_) {}

  uint32_t GetString(const char* section, const char* key, const char* def, char* buffer,
                     uint32_t size, const char* file) override;
  uint32_t GetInt(const char* section, const char* key, int32_t def, const char* file) override;
  uint32_t GetSectionNames(char* buffer, uint32_t size, const char* file) override;
  bool WriteString(const char* section, const char* key, const char* value,
                   const char* file) override;

  // The Win32 error the last call set (GetLastError); 0 after a success.
  int32_t last_error() const { return last_error_; }

 private:
  std::string DiskPath(const char* file) const { return disk_path_(file ? file : ""); }
  // The disk path of a write's file. A step's writes to one file go to the
  // path its first write found, so the later ones cost no path lookup.
  const std::string& WritePath(const char* file);
  uint32_t SectionNames(const ProfileText* text, char* buffer, uint32_t size) const;

  std::unique_ptr<ProfileDisk> disk_;
  PathConversion disk_path_;
  ProfileStore store_;
  int32_t last_error_ = 0;
  std::string write_file_, write_path_;  // the last write's file and its path
};

}  // namespace qmon::platform::profile
