#include "support/machine.h"

#include <filesystem>

namespace qmon::test {

void TestMachine::Put(const std::string& windowsPath, const std::string& bytes) const {
  const std::filesystem::path native = Native(windowsPath);
  std::filesystem::create_directories(native.parent_path());
  std::ofstream(native, std::ios::binary) << bytes;
}

std::string TestMachine::Get(const std::string& windowsPath) const {
  std::ifstream in(Native(windowsPath), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool TestMachine::Exists(const std::string& windowsPath) const {
  return std::filesystem::exists(Native(windowsPath));
}

void TestMachine::MakeFolder(const std::string& windowsPath) const {
  std::filesystem::create_directories(Native(windowsPath));
}

void TestMachine::WriteAgentKey(const std::vector<std::string>& valueLines) const {
  std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD]\r\n";
  for (const auto& line : valueLines) text += line + "\r\n";
  std::ofstream(dir.path() + "/system.reg", std::ios::binary) << text;
}

void TestMachine::InstallAgent() const {
  WriteAgentKey({R"("InstallationPath"="C:\\Agent")", R"("REGID"="1001")",
                 R"("MEMBERID"="2002")", R"("SITEID"="3003")", R"("TYPE"="TRLX")",
                 R"("ServiceID"="5")"});
  MakeFolder("C:\\Agent\\QSCC");
}

std::vector<std::string> TestMachine::LogLines() const {
  const auto& t = clock.now;
  char name[32];
  std::snprintf(name, sizeof name, "qMonIniWriter_%04d%02d%02d.log", t.year, t.month, t.day);
  return SplitCrLf(Get(std::string("C:\\Agent\\ApplicationLog\\qSCCLog\\") + name));
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace qmon::test
