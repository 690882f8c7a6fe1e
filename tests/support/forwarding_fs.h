// File systems that hand every call to another one and change a single call,
// so a test can make one operation of the real backend fail or race.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/vb_error.h"

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
  // Windows paths name one file whatever their letter case (ASCII is enough here).
  static bool SamePath(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
      if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
  }

  platform::FileSystem& inner_;
};

// CreateTextFile of one file raises 70 Permission denied, as when another
// process holds it open.
class CreateTextFails final : public ForwardingFileSystem {
 public:
  CreateTextFails(platform::FileSystem& inner, std::string path)
      : ForwardingFileSystem(inner), path_(std::move(path)) {}

  std::unique_ptr<platform::TextStream> CreateText(const std::string& path) override {
    if (SamePath(path, path_)) throw VbError(vberr::kPermissionDenied);
    return inner_.CreateText(path);
  }

 private:
  std::string path_;
};

// Another process deletes one file right after the n-th FileExists of it has
// answered (counting from 1), as the scheduler does when it consumes a request.
class FileVanishes final : public ForwardingFileSystem {
 public:
  FileVanishes(platform::FileSystem& inner, std::string path, int nth)
      : ForwardingFileSystem(inner), path_(std::move(path)), nth_(nth) {}

  bool FileExists(const std::string& path) override {
    const bool exists = inner_.FileExists(path);
    if (SamePath(path, path_) && ++asked_ == nth_ && exists) inner_.RemoveFile(path, true);
    return exists;
  }

 private:
  std::string path_;
  int nth_;
  int asked_ = 0;
};

}  // namespace qmon::test
