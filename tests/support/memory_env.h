// A Windows machine held in memory: HKLM, the files and the private-profile
// functions over those same files, and a system that records what it is asked
// to start. Portable, so the subsystem tests run alike on every build.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/env.h"
#include "platform/profile/profile_engine.h"

namespace qmon::test {

// What Windows finds a name or a path by: letters without regard to case.
std::string NameKey(std::string_view name);

class MemoryRegistry final : public platform::Registry {
 public:
  int32_t OpenKeyEx(platform::Hkey root, const std::string& subkey, uint32_t options,
                    uint32_t access, platform::Hkey* result) override;
  int32_t CreateKey(platform::Hkey root, const std::string& subkey,
                    platform::Hkey* result) override;
  int32_t QueryValueEx(platform::Hkey key, const std::string& name, uint32_t* type, uint8_t* data,
                       uint32_t* size) override;
  int32_t SetValueEx(platform::Hkey key, const std::string& name, uint32_t type,
                     const uint8_t* data, uint32_t size) override;
  int32_t DeleteValue(platform::Hkey key, const std::string& name) override;
  int32_t CloseKey(platform::Hkey key) override;

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
  const OpenKey* Lookup(platform::Hkey key) const;
  // root + subkey as a key path; answers 0 or the error code.
  int32_t Resolve(platform::Hkey root, const std::string& subkey, std::string* path) const;
  // The values a change through `handle` goes to; answers 0 or the error code.
  int32_t Changeable(platform::Hkey handle, std::map<std::string, Value>** values);
  platform::Hkey AddHandle(std::string path, bool writable);
  // The values of the key at `path`, made with every missing level above it.
  std::map<std::string, Value>& Make(const std::string& path);

  std::map<std::string, std::map<std::string, Value>> keys_{{"", {}}};
  std::map<platform::Hkey, OpenKey> handles_;
  platform::Hkey next_handle_ = 0x1A4;
};

class MemoryFileSystem final : public platform::FileSystem {
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
  std::unique_ptr<platform::TextStream> CreateText(const std::string& path) override;
  std::unique_ptr<platform::TextStream> OpenTextForAppend(const std::string& path) override;
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
  // The private-profile functions over these files.
  std::unique_ptr<platform::profile::ProfileEngine> MakeProfile();

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

// The running program: the only instance, in C:\Program, version 2.0.21;
// process starts are recorded, not run.
class MemorySystem final : public platform::System {
 public:
  std::string CommandLine() override { return command_line; }
  platform::ProgramVersion Version() override { return {2, 0, 21}; }
  bool ClaimSingleInstance() override { return true; }
  std::string ProgramFolder() override { return "C:\\Program"; }
  void StartProcess(const std::string& commandLine) override;
  // The texts of "file not found" (2) and "more data" (234) only.
  uint32_t FormatSystemMessage(uint32_t code, char* buffer, uint32_t size) override;

  std::string command_line;
  std::vector<std::string> started;
  // Plays the started program's part (regsvr32 registering a component).
  std::function<void()> on_start;
};

}  // namespace qmon::test
