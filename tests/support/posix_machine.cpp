#include "support/posix_machine.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace qmon::test {

void PosixMachine::Put(const std::string& windowsPath, const std::string& bytes) const {
  const std::filesystem::path native = Native(windowsPath);
  std::filesystem::create_directories(native.parent_path());
  if (native.filename() != ".folder") std::ofstream(native, std::ios::binary) << bytes;
}

std::string PosixMachine::Get(const std::string& windowsPath) const {
  std::ifstream in(Native(windowsPath), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void PosixMachine::WriteAgentKey(const std::vector<std::string>& valueLines) const {
  std::string reg =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\r\n";
  for (const auto& line : valueLines) reg += line + "\r\n";
  std::ofstream(dir.path() + "/system.reg", std::ios::binary) << reg;
}

void PosixMachine::Prepare(const Scenario& s, const std::string& serverUrl) const {
  WriteAgentKey(s.AgentKey());
  for (auto [path, bytes] : s.Files("before")) {
    for (size_t at; (at = bytes.find("http://server")) != std::string::npos;) {
      bytes.replace(at, 13, serverUrl);
    }
    Put(path, bytes);
  }
}

}  // namespace qmon::test
