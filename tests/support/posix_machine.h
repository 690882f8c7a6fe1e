// An emulated agent machine in a temporary prefix, for runs of the real Linux
// program: helpers to prepare and read its files and its system.reg.
#pragma once

#include <string>

#include "platform/posix/path_map.h"
#include "support/scenario.h"
#include "support/temp_dir.h"

namespace qmon::test {

class PosixMachine {
 public:
  // The native path of a Windows-form path.
  std::string Native(const std::string& windowsPath) const { return paths.Native(windowsPath); }

  // Writes bytes to a Windows-form path, creating its folders.
  void Put(const std::string& windowsPath, const std::string& bytes) const;
  // The bytes of a Windows-form path, "" when it does not exist.
  std::string Get(const std::string& windowsPath) const;
  bool Exists(const std::string& windowsPath) const;
  void MakeFolder(const std::string& windowsPath) const;

  // The agent key and the files of a scenario, its server at `serverUrl`.
  void Prepare(const Scenario& s, const std::string& serverUrl) const;

  ScopedTempDir dir;
  platform::posix::PathMap paths{dir.path()};
};

}  // namespace qmon::test
