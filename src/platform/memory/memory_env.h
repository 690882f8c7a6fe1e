// A Windows machine held in memory: HKLM, and the files with the
// private-profile functions over those same files. Portable, so whatever runs
// on it (the subsystem tests) runs alike on every build.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/env.h"
#include "platform/profile/profile_engine.h"

namespace qmon::platform::memory {

// What Windows finds a name or a path by: letters without regard to case.
std::string NameKey(std::string_view name);

class MemoryRegistry final : public Registry {
 public:
  int32_t OpenKeyEx(Hkey root, const std::string& subkey, uint32_t options,
                    uint32_t access, Hkey* result) override;
  int32_t CreateKey(Hkey root, const std::string& subkey,
                    Hkey* result) override;
  int32_t QueryValueEx(Hkey key, const std::string& name, uint32_t* type, uint8_t* data,
                       uint32_t* size) override;
  int32_t SetValueEx(Hkey key, const std::string& name, uint32_t type,
                     const uint8_t* data, uint32_t size) override;
  int32_t DeleteValue(Hkey key, const std::string& name) override;
  int32_t CloseKey(Hkey key) override;

  // Leaves HKLM empty; open handles of removed keys answer "marked for deletion".
  void Clear() { keys_ = {{"", {}}}; }
  // Stores a value below HKLM without a handle, making the key where missing.
  void Store(const std::string& subkey, const std::string& name, uint32_t type, std::string data);

 private:
  struct Value {
    uint32_t type;
    std::string data;  // ANSI, a REG_SZ without its NUL
  };
  struct OpenKey {
    std::string path;  // NameKey form, "" for HKLM
    bool writable;
  };
  const OpenKey* Lookup(Hkey key) const;
  // root + subkey as a key path; answers 0 or the error code.
  int32_t Resolve(Hkey root, const std::string& subkey, std::string* path) const;
  // The values a change through `handle` goes to; answers 0 or the error code.
  int32_t Changeable(Hkey handle, std::map<std::string, Value>** values);
  Hkey AddHandle(std::string path, bool writable);
  // The values of the key at `path`, made with every missing level above it.
  std::map<std::string, Value>& Make(const std::string& path);

  std::map<std::string, std::map<std::string, Value>> keys_{{"", {}}};
  std::map<Hkey, OpenKey> handles_;
  Hkey next_handle_ = 0x1A4;
};

class MemoryFileSystem final : public FileSystem {
 public:
  struct Entry {
    Entry(std::string spelt, bool is_folder) : path(std::move(spelt)), folder(is_folder) {}
    std::string path;  // as spelt when it was made
    bool folder;
    std::string bytes;
    bool read_only = false;
    uint64_t version = 0;  // new with every change of the bytes
  };

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

  // A file or folder; nullptr when there is none (drive roots are no entries).
  Entry* Find(const std::string& path);
  const Entry* Find(const std::string& path) const;
  // Makes every missing level of a folder path; false when a file is in the way.
  bool MakeFolders(const std::string& path);
  // Gives a file these bytes, making it (not its folder) when missing.
  Entry& Write(const std::string& path, std::string bytes);
  // Removes a file, or a folder with everything in it.
  void Erase(const std::string& path);
  // The names in a folder (files only, or folders too) in the order NTFS lists them.
  std::vector<std::string> Names(const std::string& folder, bool files_only) const;
  // The private-profile functions over these files, and the disk they use.
  std::unique_ptr<profile::ProfileEngine> MakeProfile();
  std::unique_ptr<profile::ProfileDisk> MakeDisk();
  // Moves on with every change of a file's bytes and every file removed, so
  // an observer can tell cheaply whether anything changed.
  uint64_t changes() const { return changes_; }

 private:
  class Disk;
  class Stream;
  bool IsFolder(const std::string& key) const;
  // The file at `path`; nullptr when there is none or a folder is there.
  Entry* File(const std::string& path);
  // Whether the folder `path` lies in exists.
  bool HasFolderFor(const std::string& path) const;
  // The entry a stream or the profile engine finds by its key.
  Entry* AtKey(const std::string& key);

  std::map<std::string, Entry> entries_;  // by NameKey of the path
  uint64_t changes_ = 0;
};

}  // namespace qmon::platform::memory
