// An agent machine held in memory with a fake clock, plus helpers to prepare
// and read its files and its registry.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/cp1252.h"
#include "platform/env.h"
#include "platform/md5_builtin.h"
#include "support/fake_clock.h"
#include "platform/memory/memory_env.h"
#include "support/memory_system.h"

namespace qmon::test {

class TestMachine {
 public:
  platform::Env env() {
    return platform::Env{&codepage, &registry, profile.get(), &fs,
                         &clock,    &system,   &md5,          &components};
  }

  // Writes bytes to a Windows-form path, creating its folders.
  void Put(const std::string& path, const std::string& bytes);
  // The bytes of a file, "" when it does not exist.
  std::string Get(const std::string& path) const;
  bool Exists(const std::string& path) const { return fs.Find(path) != nullptr; }
  void MakeFolder(const std::string& path) { fs.MakeFolders(path); }
  // Removes a file, or a folder with what it holds.
  void Remove(const std::string& path) { fs.Erase(path); }
  void SetReadOnly(const std::string& path) { fs.Find(path)->read_only = true; }

  // Makes HKLM hold the agent key alone, with these values as an export file
  // writes them ("\"REGID\"=\"1001\"", "\"N\"=dword:0000003c", "\"B\"=hex:01,02").
  void WriteAgentKey(const std::vector<std::string>& valueLines);
  // An agent installed in C:\Agent (QSCC folder present) with a valid identity.
  void InstallAgent();
  // A string value under HKLM as the ANSI query answers it, up to its first
  // NUL; nullopt when the key or the value is missing or not a string.
  std::optional<std::string> RegValue(const std::string& subkey, const std::string& name);

  // Every file but those under a run log folder, by upper-case path.
  std::map<std::string, const platform::memory::MemoryFileSystem::Entry*> Files() const;

  // The run log lines of C:\Agent for the fake clock's day, CR LF removed.
  std::vector<std::string> LogLines() const;

  platform::Cp1252CodePage codepage;
  platform::memory::MemoryRegistry registry;
  platform::memory::MemoryFileSystem fs;
  std::unique_ptr<platform::profile::ProfileEngine> profile = fs.MakeProfile();
  FakeClock clock;
  MemorySystem system;
  platform::BuiltinMd5 md5{fs};
  platform::ComponentRegistry components;
};

// The agent key's values of an installed agent, as export-file lines.
extern const std::vector<std::string> kInstalledAgentValues;

// Splits text at CR LF (a trailing CR LF ends the last line, no empty line after it).
std::vector<std::string> SplitCrLf(const std::string& text);

// Log lines with their time stamps removed (both the date-and-time and the
// date-only forms).
std::vector<std::string> WithoutStamps(const std::vector<std::string>& lines);

}  // namespace qmon::test
