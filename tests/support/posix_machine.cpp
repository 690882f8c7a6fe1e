#include "support/posix_machine.h"

#include <filesystem>
#include <fstream>

namespace qmon::test {

void PosixMachine::Prepare(const Scenario& s, const std::string& serverUrl) const {
  std::string reg =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\r\n";
  for (const auto& line : s.AgentKey()) reg += line + "\r\n";
  std::ofstream(dir.path() + "/system.reg", std::ios::binary) << reg;
  for (auto [path, bytes] : s.Files("before")) {
    for (size_t at; (at = bytes.find("http://server")) != std::string::npos;) {
      bytes.replace(at, 13, serverUrl);
    }
    const std::filesystem::path native = paths.Native(path);
    std::filesystem::create_directories(native.parent_path());
    if (native.filename() != ".folder") std::ofstream(native, std::ios::binary) << bytes;
  }
}

}  // namespace qmon::test
