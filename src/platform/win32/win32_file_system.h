// The file-system object and the Win32 file functions over the real file
// system: wide functions for the object (UTF-8 in, UTF-16 to the system),
// ANSI functions where the program calls their ANSI namesakes.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/env.h"

namespace qmon::platform::win32 {

class Win32FileSystem final : public FileSystem {
 public:
  // `codepage` converts what text streams write.
  explicit Win32FileSystem(const CodePage& codepage) : codepage_(codepage) {}

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
  const CodePage& codepage_;
};

}  // namespace qmon::platform::win32
