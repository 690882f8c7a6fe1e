#include "support/machine.h"

#include <cstdio>
#include <regex>
#include <utility>

namespace qmon::test {

const std::vector<std::string> kInstalledAgentValues = {R"("InstallationPath"="C:\\Agent")",
                                                        R"("REGID"="1001")",
                                                        R"("MEMBERID"="2002")",
                                                        R"("SITEID"="3003")",
                                                        R"("TYPE"="TRLX")",
                                                        R"("ServiceID"="5")"};

void TestMachine::Put(const std::string& path, const std::string& bytes) {
  fs.MakeFolders(path.substr(0, path.find_last_of('\\')));
  fs.Write(path, bytes);
}

std::string TestMachine::Get(const std::string& path) const {
  const platform::memory::MemoryFileSystem::Entry* file = fs.Find(path);
  return file ? file->bytes : "";
}

void TestMachine::WriteAgentKey(const std::vector<std::string>& valueLines) {
  registry.Clear();
  for (const std::string& line : valueLines) {
    const size_t equals = line.find("\"=");
    const std::string value = line.substr(equals + 2);
    uint32_t type = platform::kRegSz;
    std::string data;
    if (value.starts_with("dword:")) {
      type = platform::kRegDword;
      const auto number = std::stoul(value.substr(6), nullptr, 16);
      for (int shift = 0; shift < 32; shift += 8) data += static_cast<char>(number >> shift);
    } else if (value.starts_with("hex:")) {
      type = 3;  // REG_BINARY
      for (size_t i = 4; i < value.size(); i += 3) {
        data += static_cast<char>(std::stoi(value.substr(i, 2), nullptr, 16));
      }
    } else {
      for (size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\') ++i;  // \\ and \" stand for the character after them
        data += value[i];
      }
    }
    registry.Store("SOFTWARE\\QAVOOD", line.substr(1, equals - 1), type, std::move(data));
  }
}

void TestMachine::InstallAgent() {
  WriteAgentKey(kInstalledAgentValues);
  MakeFolder("C:\\Agent\\QSCC");
}

std::optional<std::string> TestMachine::RegValue(const std::string& subkey,
                                                 const std::string& name) {
  platform::Hkey key = 0;
  if (registry.OpenKeyEx(platform::kHkeyLocalMachine, subkey, 0, platform::kKeyRead, &key) != 0) {
    return std::nullopt;
  }
  uint32_t type = 0, size = 0;
  std::optional<std::string> value;
  if (registry.QueryValueEx(key, name, &type, nullptr, &size) == 0 && type == platform::kRegSz) {
    std::string data(size, '\0');
    registry.QueryValueEx(key, name, &type, reinterpret_cast<uint8_t*>(data.data()), &size);
    value = data.substr(0, data.find('\0'));
  }
  registry.CloseKey(key);
  return value;
}

std::map<std::string, const platform::memory::MemoryFileSystem::Entry*> TestMachine::Files() const {
  std::map<std::string, const platform::memory::MemoryFileSystem::Entry*> files;
  std::vector<std::string> folders = {"C:"};
  while (!folders.empty()) {
    const std::string folder = folders.back();
    folders.pop_back();
    for (const std::string& name : fs.Names(folder, false)) {
      const auto* entry = fs.Find(folder + "\\" + name);
      if (entry->folder && platform::memory::NameKey(name) != "APPLICATIONLOG") folders.push_back(entry->path);
      if (!entry->folder) files[platform::memory::NameKey(entry->path)] = entry;
    }
  }
  return files;
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

std::vector<std::string> WithoutStamps(const std::vector<std::string>& lines) {
  // "M/D/YYYY" or "M/D/YYYY h:mm:ss AM" and the TAB after it.
  static const std::regex kStamp(R"(^\d+/\d+/\d+( \d+:\d+:\d+ [AP]M)?\t)");
  std::vector<std::string> out;
  for (const auto& line : lines) out.push_back(std::regex_replace(line, kStamp, ""));
  return out;
}

}  // namespace qmon::test
