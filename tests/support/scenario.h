// A whole run kept as data: a folder of tests/scenarios (its README tells the
// files), so a new case is a folder, not code.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/machine.h"

namespace qmon::test {

class Scenario {
 public:
  explicit Scenario(const std::string& name);
  // The names of every scenario folder.
  static std::vector<std::string> All();

  bool Has(const std::string& relative) const { return std::filesystem::exists(dir / relative); }
  // A file's bytes, "" when it is missing.
  std::string Text(const std::string& relative) const;
  // A text file's lines (LF ends each), none when it is missing.
  std::vector<std::string> Lines(const std::string& relative) const;
  // The files of a tree of the folder by Windows path: <tree>/Agent/x is C:\Agent\x.
  std::map<std::string, std::string> Files(const std::string& tree) const;
  // The agent key's value lines: agent.reg, or an installed agent's when it is missing.
  std::vector<std::string> AgentKey() const;

  // The agent key and the files of before/ on `m`, and the server (when
  // there is one) as its web-post component. A post for which `broken`
  // answers true fails as a broken connection does.
  void Prepare(TestMachine& m, std::function<bool()> broken = nullptr) const;

  std::filesystem::path dir;
  // The URL and the XML of every post made to the server, in turn.
  std::shared_ptr<std::vector<std::string>> posts = std::make_shared<std::vector<std::string>>();
};

}  // namespace qmon::test
