// An emulated agent machine in a temporary prefix, for runs of the real Linux
// program.
#pragma once

#include <string>
#include <vector>

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
  // system.reg with the agent key holding these value lines.
  void WriteAgentKey(const std::vector<std::string>& valueLines) const;

  // The files of the scenario's before/, `serverUrl` standing for http://server.
  void PutFiles(const Scenario& s, const std::string& serverUrl) const;
  // system.reg with the scenario's agent key, and its files.
  void Prepare(const Scenario& s, const std::string& serverUrl) const {
    WriteAgentKey(s.AgentKey());
    PutFiles(s, serverUrl);
  }

  ScopedTempDir dir;
  platform::posix::PathMap paths{dir.path()};
};

}  // namespace qmon::test
