// The file-system object and the Win32 file functions over the emulated
// drives: names resolve without regard to case, folders list in NTFS order,
// read-only is the owner's write bit (checked here, since root may write
// anything).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/posix/path_map.h"

namespace qmon::platform::posix {

class PosixFileSystem final : public FileSystem {
 public:
  explicit PosixFileSystem(const PathMap& map) : map_(map) {}

  bool FileExists(const std::string& path) override;
  bool FolderExists(const std::string& path) override;
  void CreateFolder(const std::string& path) override;
  std::vector<std::string> ListFiles(const std::string& folder) override;
  void CopyOver(const std::string& from, const std::string& to) override;
  void RemoveFile(const std::string& path, bool force) override;
  std::unique_ptr<TextStream> CreateText(const std::string& path) override;
  std::unique_ptr<TextStream> OpenTextForAppend(const std::string& path) override;
  std::optional<std::string> ReadBytes(const std::string& path) override;

  uint32_t ShortPathName(const char* path, char* buffer, uint32_t size) override;
  bool SetAttributesNormal(const char* path) override;
  bool MakeSureDirectoryPathExists(const char* path) override;

 private:
  const PathMap& map_;
};

}  // namespace qmon::platform::posix
