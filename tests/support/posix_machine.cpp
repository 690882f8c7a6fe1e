#include "support/posix_machine.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace qmon::test {

void PosixMachine::Put(const std::string& windowsPath, const std::string& bytes) const {
  const std::filesystem::path native = Native(windowsPath);
  std::filesystem::create_directories(native.parent_path());
  std::ofstream(native, std::ios::binary) << bytes;
}

std::string PosixMachine::Get(const std::string& windowsPath) const {
  std::ifstream in(Native(windowsPath), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool PosixMachine::Exists(const std::string& windowsPath) const {
  return std::filesystem::exists(Native(windowsPath));
}

void PosixMachine::MakeFolder(const std::string& windowsPath) const {
  std::filesystem::create_directories(Native(windowsPath));
}

void PosixMachine::Prepare(const Scenario& s, const std::string& serverUrl) const {
  std::string reg =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\r\n";
  for (const auto& line : s.AgentKey()) reg += line + "\r\n";
  std::ofstream(dir.path() + "/system.reg", std::ios::binary) << reg;
  for (auto [path, bytes] : s.Files("before")) {
    for (size_t at; (at = bytes.find("http://server")) != std::string::npos;) {
      bytes.replace(at, 13, serverUrl);
    }
    if (path.ends_with("\\.folder")) MakeFolder(path.substr(0, path.size() - 8));
    else Put(path, bytes);
  }
}

}  // namespace qmon::test
