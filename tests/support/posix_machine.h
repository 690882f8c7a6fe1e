// An emulated agent machine in a temporary prefix, for runs of the real Linux
// program.
#pragma once

#include <string>

#include "platform/posix/path_map.h"
#include "support/scenario.h"
#include "support/temp_dir.h"

namespace qmon::test {

class PosixMachine {
 public:
  // system.reg with the scenario's agent key, and its files, `serverUrl`
  // standing for http://server.
  void Prepare(const Scenario& s, const std::string& serverUrl) const;

  ScopedTempDir dir;
  platform::posix::PathMap paths{dir.path()};
};

}  // namespace qmon::test
