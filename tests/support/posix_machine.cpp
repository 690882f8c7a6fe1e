#include "support/posix_machine.h"

#include <filesystem>

#include "platform/case_file.h"

namespace qmon::test {

void PosixMachine::Put(const std::string& windowsPath, const std::string& bytes) const {
  const std::filesystem::path native = Native(windowsPath);
  std::filesystem::create_directories(native.parent_path());
  if (native.filename() != ".folder") PutFile(native, bytes);
}

std::string PosixMachine::Get(const std::string& windowsPath) const {
  return FileBytes(Native(windowsPath));
}

void PosixMachine::WriteAgentKey(const std::vector<std::string>& valueLines) const {
  std::string reg =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\r\n";
  for (const auto& line : valueLines) reg += line + "\r\n";
  PutFile(dir / "system.reg", reg);
}

void PosixMachine::PutFiles(const Scenario& s, const std::string& serverUrl) const {
  for (auto [path, bytes] : s.Files("before")) {
    for (size_t at; (at = bytes.find("http://server")) != std::string::npos;) {
      bytes.replace(at, 13, serverUrl);
    }
    Put(path, bytes);
  }
}

}  // namespace qmon::test
