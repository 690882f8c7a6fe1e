// An emulated agent machine in a temporary prefix: the real Linux backend
// with a fake clock, plus helpers to prepare and read its files.
#pragma once

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cp1252.h"
#include "platform/env.h"
#include "platform/md5_builtin.h"
#include "platform/posix/path_map.h"
#include "platform/posix/posix_fs.h"
#include "platform/posix/posix_profile.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/posix_system.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"

namespace qmon::test {

class TestMachine {
 public:
  TestMachine()
      : paths(dir.path()),
        registry(dir.path() + "/system.reg"),
        profile(platform::posix::MakePosixProfile(paths)),
        fs(paths),
        system(paths),
        md5(fs) {}

  platform::Env env() {
    return platform::Env{&codepage, &registry, profile.get(), &fs, &clock, &system, &md5, &components};
  }

  // The native path of a Windows-form path.
  std::string Native(const std::string& windowsPath) const { return paths.Native(windowsPath); }

  // Writes bytes to a Windows-form path, creating its folders.
  void Put(const std::string& windowsPath, const std::string& bytes) const;
  // The bytes of a Windows-form path, "" when it does not exist.
  std::string Get(const std::string& windowsPath) const;
  bool Exists(const std::string& windowsPath) const;
  void MakeFolder(const std::string& windowsPath) const;

  // Writes system.reg with the agent key holding these value lines (each like
  // "\"REGID\"=\"1001\"").
  void WriteAgentKey(const std::vector<std::string>& valueLines) const;
  // An agent installed in C:\Agent (QSCC folder present) with a valid identity.
  void InstallAgent() const;

  // The run log lines of C:\Agent for the fake clock's day, CR LF removed.
  std::vector<std::string> LogLines() const;

  ScopedTempDir dir;
  platform::posix::PathMap paths;
  platform::Cp1252CodePage codepage;
  platform::posix::PosixRegistry registry;
  std::unique_ptr<platform::profile::ProfileEngine> profile;
  platform::posix::PosixFileSystem fs;
  FakeClock clock;
  platform::posix::PosixSystem system;
  platform::BuiltinMd5 md5;
  platform::ComponentRegistry components;
};

// Splits text at CR LF (a trailing CR LF ends the last line, no empty line after it).
std::vector<std::string> SplitCrLf(const std::string& text);

}  // namespace qmon::test
