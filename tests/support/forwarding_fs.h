// A file system that hands every call to another one, so that a test can
// change a single call: make one operation of the real backend fail or race.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/env.h"

namespace qmon::test {

class ForwardingFileSystem : public platform::FileSystem {
 public:
  explicit ForwardingFileSystem(platform::FileSystem& inner) : inner_(inner) {}

  bool FileExists(const std::string& path) override { return inner_.FileExists(path); }
  bool FolderExists(const std::string& path) override { return inner_.FolderExists(path); }
  void CreateFolder(const std::string& path) override { inner_.CreateFolder(path); }
  std::vector<std::string> ListFiles(const std::string& folder) override {
    return inner_.ListFiles(folder);
  }
  void CopyOver(const std::string& from, const std::string& to) override {
    inner_.CopyOver(from, to);
  }
  void RemoveFile(const std::string& path, bool force) override { inner_.RemoveFile(path, force); }
  std::unique_ptr<platform::TextStream> CreateText(const std::string& path) override {
    return inner_.CreateText(path);
  }
  std::unique_ptr<platform::TextStream> OpenTextForAppend(const std::string& path) override {
    return inner_.OpenTextForAppend(path);
  }
  std::optional<std::string> ReadBytes(const std::string& path) override {
    return inner_.ReadBytes(path);
  }
  uint32_t ShortPathName(const char* path, char* buffer, uint32_t size) override {
    return inner_.ShortPathName(path, buffer, size);
  }
  bool SetAttributesNormal(const char* path) override { return inner_.SetAttributesNormal(path); }
  bool MakeSureDirectoryPathExists(const char* path) override {
    return inner_.MakeSureDirectoryPathExists(path);
  }

 protected:
  platform::FileSystem& inner_;
};

}  // namespace qmon::test
