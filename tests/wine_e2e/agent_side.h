// One agent installation, set up the same way on two machines: the emulated
// machine of the Linux build and a Wine prefix running the Windows build.
// A scenario installs it on both, runs both programs and compares what each
// left behind.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qmon::test {

struct Installation {
  // REG_SZ values of HKEY_LOCAL_MACHINE\SOFTWARE\QAVOOD.
  std::vector<std::pair<std::string, std::string>> identity;
  // Files by Windows path (C:\...), with their bytes.
  std::map<std::string, std::string> files;
};

// The agent installation every scenario starts from: C:\Agent with both
// monitors, the MD5 library and qScriptDNS.ini pointing at `serverUrl`.
Installation SampleAgent(const std::string& serverUrl);

class AgentSide {
 public:
  virtual ~AgentSide() = default;
  // Removes what a previous scenario left and lays out `installation`.
  virtual void Install(const Installation& installation) = 0;
  // Runs the program with the command line `commandLine`; answers its exit code.
  virtual int Run(const std::string& commandLine) = 0;
  // Every file under C:\Agent by path relative to it, with its bytes.
  std::map<std::string, std::string> Files() const;
  // The agent key's values, by name.
  virtual std::map<std::string, std::string> Values() = 0;
  // The native folder that holds drive C.
  virtual std::string DriveC() const = 0;
};

// The Linux build on an emulated machine in a fresh prefix.
std::unique_ptr<AgentSide> MakeLinuxSide();

// The Windows build (the x64 program, the project's qWbPost.dll registered)
// in a Wine prefix that is booted once per process and reused.
class WineSide : public AgentSide {
 public:
  WineSide();
  void Install(const Installation& installation) override;
  int Run(const std::string& commandLine) override;
  std::map<std::string, std::string> Values() override;
  std::string DriveC() const override;

  // Runs a Windows program of the prefix (reg, regsvr32, ...) and answers
  // its exit code; its standard output goes to *output when given.
  int Wine(const std::vector<std::string>& args, std::string* output = nullptr);
  // True when the agent key exists in the 64-bit view of the registry.
  bool In64BitView();
  // Registers or unregisters the project's qWbPost.dll with regsvr32.
  void RegisterComponent(bool on);
  // True when the web-post component's ProgID is registered.
  bool ComponentRegistered();

 private:
  std::string prefix_;
};

}  // namespace qmon::test
