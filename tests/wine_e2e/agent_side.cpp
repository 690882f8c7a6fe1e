#include "wine_e2e/agent_side.h"

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/posix/posix_registry.h"
#include "support/run_binary.h"
#include "support/temp_dir.h"

namespace qmon::test {
namespace fs = std::filesystem;
namespace {

// The agent key's values a run reads or writes.
const char* const kValueNames[] = {"InstallationPath", "REGID",       "MEMBERID", "SITEID", "TYPE",
                                   "ServiceID",        "Performance", "Event",    "Main"};

std::string Crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// Registry export text of the identity under `key`.
std::string RegFile(const std::string& key, const Installation& installation) {
  std::vector<std::string> lines = {"Windows Registry Editor Version 5.00", "", "[" + key + "]"};
  for (const auto& [name, value] : installation.identity) {
    std::string escaped;
    for (const char c : value) escaped += c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
    lines.push_back("\"" + name + "\"=\"" + escaped + "\"");
  }
  return Crlf(lines);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// C:\x\y under a native folder holding drive C.
fs::path OnDriveC(const std::string& driveC, const std::string& windowsPath) {
  std::string relative = windowsPath.substr(3);
  for (char& c : relative) c = c == '\\' ? '/' : c;
  return fs::path(driveC) / relative;
}

void Lay(const std::string& driveC, const Installation& installation) {
  fs::remove_all(fs::path(driveC) / "Agent");
  for (const auto& [path, bytes] : installation.files) WriteFile(OnDriveC(driveC, path), bytes);
}

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

class LinuxSide final : public AgentSide {
 public:
  void Install(const Installation& installation) override {
    Lay(DriveC(), installation);
    WriteFile(prefix_ / "system.reg", RegFile("HKEY_LOCAL_MACHINE\\SOFTWARE\\QAVOOD", installation));
  }

  int Run(const std::string& commandLine) override {
    std::vector<std::string> args;
    if (!commandLine.empty()) args.push_back(commandLine);
    return ExitCode(RunBinary(prefix_.path(), args, {"no_proxy=127.0.0.1", "NO_PROXY=127.0.0.1"}));
  }

  std::map<std::string, std::string> Values() override {
    platform::posix::PosixRegistry registry(prefix_ / "system.reg");
    std::map<std::string, std::string> values;
    platform::Hkey key = 0;
    if (registry.OpenKeyEx(platform::kHkeyLocalMachine, "SOFTWARE\\QAVOOD", 0, platform::kKeyRead,
                           &key) != 0) {
      return values;
    }
    for (const char* name : kValueNames) {
      char data[512];
      uint32_t type = 0, size = sizeof data;
      if (registry.QueryValueEx(key, name, &type, reinterpret_cast<uint8_t*>(data), &size) == 0) {
        values[name] = std::string(data, size > 0 ? size - 1 : 0);
      }
    }
    registry.CloseKey(key);
    return values;
  }

  std::string DriveC() const override { return prefix_ / "drive_c"; }

 private:
  ScopedTempDir prefix_;
};

// The prefix every WineSide of this process shares, booted by the project's
// Wine runner on first use; its wineserver is stopped when the process ends.
struct SharedPrefix {
  ~SharedPrefix() { RunProgram("wineserver", {"-k"}, {"WINEPREFIX=" + dir.path()}); }
  ScopedTempDir dir;
};

// A native path as Wine's drive Z: shows it.
std::string OnDriveZ(const std::string& native) {
  std::string path = "Z:" + native;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

}  // namespace

Installation SampleAgent(const std::string& serverUrl) {
  Installation agent;
  agent.identity = {{"InstallationPath", "C:\\Agent"}, {"REGID", "1001"}, {"MEMBERID", "2002"},
                    {"SITEID", "3003"},                 {"TYPE", "TRLX"},  {"ServiceID", "5"}};
  for (const char* file : {"QPERFMON.EXE", "QDSKEVTLOG.EXE", "qGNMD5.Dll"}) {
    agent.files[std::string("C:\\Agent\\QSCC\\") + file] = "";
  }
  agent.files["C:\\Agent\\Configuration\\qScriptDNS.ini"] =
      Crlf({"[wpdcmsccrgidmontmpveriu]", "URL=" + serverUrl + "/", "[wpscriptmontmpltdtls]",
            "URL=" + serverUrl});
  agent.files["C:\\Agent\\Configuration\\QavoScheduler.ini"] =
      Crlf({"[1]", "ExecutableName=C:\\Agent\\QSCC\\QPERFMON.EXE", "Parameter=", "StartTime=00:01",
            "EndTime=23:59", "Interval=60", "Weekdays=0,1,2,3,4,5,6"});
  return agent;
}

std::map<std::string, std::string> AgentSide::Files() const {
  std::map<std::string, std::string> files;
  const fs::path agent = fs::path(DriveC()) / "Agent";
  if (!fs::exists(agent)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(agent)) {
    if (!entry.is_regular_file()) continue;
    std::string relative = fs::relative(entry.path(), agent).string();
    for (char& c : relative) c = c == '/' ? '\\' : c;
    files[relative] = ReadFile(entry.path());
  }
  return files;
}

std::unique_ptr<AgentSide> MakeLinuxSide() { return std::make_unique<LinuxSide>(); }

WineSide::WineSide() {
  static SharedPrefix shared;
  prefix_ = shared.dir.path();
  RegisterComponent(true);
}

void WineSide::RegisterComponent(bool on) {
  std::vector<std::string> args = {"regsvr32", "/s", OnDriveZ(QMON_WINDOWS_WBPOST)};
  if (!on) args.insert(args.begin() + 1, "/u");
  if (Wine(args) != 0) throw std::runtime_error("regsvr32 failed on " + args.back());
}

int WineSide::Wine(const std::vector<std::string>& args, std::string* output) {
  const std::string file = prefix_ + "/output.txt";
  std::vector<std::string> runnerArgs = {prefix_};
  runnerArgs.insert(runnerArgs.end(), args.begin(), args.end());
  const int status = RunProgram(QMON_SOURCE_DIR "/cmake/wine-run", runnerArgs,
                                {"no_proxy=127.0.0.1", "NO_PROXY=127.0.0.1", "http_proxy=",
                                 "HTTP_PROXY="},
                                output ? file : "/dev/null");
  if (output) *output = ReadFile(file);
  return ExitCode(status);
}

void WineSide::Install(const Installation& installation) {
  Lay(DriveC(), installation);
  Wine({"reg", "delete", "HKLM\\Software\\QAVOOD", "/f", "/reg:32"});
  const std::string reg = prefix_ + "/agent.reg";
  // The 32-bit view, where a 32-bit agent keeps its key.
  WriteFile(reg, RegFile("HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\QAVOOD", installation));
  if (Wine({"reg", "import", OnDriveZ(reg)}) != 0) throw std::runtime_error("reg import failed");
}

int WineSide::Run(const std::string& commandLine) {
  std::vector<std::string> args = {QMON_WINDOWS_EXE};
  if (!commandLine.empty()) args.push_back(commandLine);
  return Wine(args);
}

std::map<std::string, std::string> WineSide::Values() {
  std::string output;
  std::map<std::string, std::string> values;
  if (Wine({"reg", "query", "HKLM\\Software\\QAVOOD", "/reg:32"}, &output) != 0) return values;
  // Lines "    Name    REG_SZ    Data".
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t type = line.find("    REG_SZ    ");
    if (line.rfind("    ", 0) != 0 || type == std::string::npos) continue;
    const std::string name = line.substr(4, type - 4);
    for (const char* known : kValueNames) {
      if (name == known) values[name] = line.substr(type + 14);
    }
  }
  return values;
}

std::string WineSide::DriveC() const { return prefix_ + "/drive_c"; }

bool WineSide::In64BitView() {
  return Wine({"reg", "query", "HKLM\\Software\\QAVOOD", "/reg:64"}) == 0;
}

// The last value registration writes: a registration still under way counts
// as not yet done, so no test starts beside it.
bool WineSide::ComponentRegistered() {
  return Wine({"reg", "query",
               "HKCR\\CLSID\\{BE8A4E0D-B471-43C5-8E3C-D4EF84844C73}\\InprocServer32", "/v",
               "ThreadingModel"}) == 0;
}

}  // namespace qmon::test
