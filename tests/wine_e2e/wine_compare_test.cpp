// Whole runs of the Windows program under Wine beside the Linux program on
// the same installation and the same server answers: both must leave the
// same files, registry values, log lines and requests. A scenario is a row
// of kScenarios; rows whose web-post component is not registered have no
// Linux counterpart and check the Windows run's log alone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "support/mock_server_process.h"
#include "support/posix_machine.h"
#include "support/run_binary.h"

namespace qmon {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::StartsWith;

enum class Component { kRegistered, kUnregistered, kDllGone };

struct Scenario {
  const char* name;
  std::vector<std::string> serverArgs, commandLines;
  const char* leftOut;  // an installation file under C:\Agent, or null
  Component component;
  std::vector<std::string> logStarts;  // the Windows run logs lines starting so
};

// clang-format off
const Scenario kScenarios[] = {
    {"WholeRunAndRerun", {}, {"12,77", ""}, nullptr, Component::kRegistered,
     {"MSG : Successfully Created Object for qWbPost.dll"}},
    {"MissingMonitorReportIsKeptAsPostLog", {"--fail-answer", "OK"}, {"12"},
     "QSCC\\QDSKEVTLOG.EXE", Component::kRegistered, {"ERR : Unable to send Failure status to DC."}},
    {"ServerErrorIsDescribedAlike", {"--fail", "http500"}, {"12"}, nullptr, Component::kRegistered,
     {"ERR : WebPost Failed : "}},
    // The run registers the installation's copy, not waiting for it.
    {"UnregisteredComponentIsRegistered", {}, {"12"}, nullptr, Component::kUnregistered,
     {"MSG : Failed to create qWbPost.Dll Object", "Msg : Registering qWbPost.dll ....."}},
    // Registered from a DLL that is gone and no copy to register: the run ends.
    {"ComponentWhoseDllIsGoneEndsTheRun", {}, {"12"}, nullptr, Component::kDllGone,
     {"MSG : Failed to create qWbPost.Dll Object", "ERR : qWbPost.dll Missing",
      "ERR : Object Creation for webpostdll Failed."}},
};
// clang-format on

const std::vector<std::string> kNoProxy = {"no_proxy=127.0.0.1", "NO_PROXY=127.0.0.1",
                                           "http_proxy=", "HTTP_PROXY="};

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// The Wine prefix every scenario shares; its drive C lies out as the Linux
// program's. Booted on first use, its wineserver ends with this process.
struct WinePrefix : test::PosixMachine {
  ~WinePrefix() { test::RunProgram("wineserver", {"-k"}, {"WINEPREFIX=" + dir.path()}); }
  // Runs a program of the prefix.
  int Wine(std::vector<std::string> args) const {
    args.insert(args.begin(), dir.path());
    return ExitCode(
        test::RunProgram(QMON_SOURCE_DIR "/cmake/wine-run", args, kNoProxy, "/dev/null"));
  }
  // Registers the component, or with `on` false unregisters it, from C:\qWbPost.dll.
  void Register(bool on) const {
    ASSERT_EQ(Wine(on ? std::vector<std::string>{"regsvr32", "/s", "C:\\qWbPost.dll"}
                      : std::vector<std::string>{"regsvr32", "/u", "/s", "C:\\qWbPost.dll"}),
              0);
  }
  // Registration writes this value last.
  bool Registered() const {
    return Wine({"reg", "query",
                 "HKCR\\CLSID\\{BE8A4E0D-B471-43C5-8E3C-D4EF84844C73}\\InprocServer32", "/v",
                 "ThreadingModel"}) == 0;
  }
};

// The agent's clock and the scan time, which differ between two runs, as "*".
std::string Unclocked(const std::string& text) {
  static const std::regex clock("<(inagenttime|scandt)>[^<]*</");
  return std::regex_replace(text, clock, "<$1>*</");
}

// A log line as both builds can agree on it: the clock masked (in XML and in
// post log names "..._MMDDYYYYhhnnss.txt"), and registry handle numbers,
// which are the system's own on Windows.
std::string Comparable(const std::string& line) {
  static const std::regex stamp("\\d{14}\\.txt"), handle("(Ret for RegCreateKey ).*");
  return std::regex_replace(std::regex_replace(Unclocked(line), stamp, "#.txt"), handle, "$1#");
}

// The value lines of a registry export file, UTF-16 or not, sorted.
std::vector<std::string> ValueLines(std::string text) {
  std::erase(text, '\0');
  std::vector<std::string> lines;
  for (auto& line : test::SplitCrLf(text)) {
    if (line.starts_with('"')) lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

// What one side left behind, in comparable form.
struct Outcome {
  std::map<std::string, std::string> files;  // the log and post logs taken out
  std::vector<std::string> log, postLogs;    // post logs in name order
  std::vector<std::string> values;           // as in a registry export file
  std::vector<std::string> requests;         // target and body
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

class WineCompareTest : public ::testing::TestWithParam<Scenario> {
 protected:
  // Lays the installation (the installation folder's before/) on a side's drive C.
  void Install(const test::PosixMachine& side) {
    fs::remove_all(side.Native("C:\\Agent"));
    side.PutFiles(test::Scenario("../wine_e2e/installation"), server.Url(""));
    if (GetParam().leftOut)
      fs::remove(side.Native(std::string("C:\\Agent\\") + GetParam().leftOut));
  }

  // Runs each command line in turn on a side; the outcome is what it then holds.
  template <typename RunFn>
  Outcome RunOn(const test::PosixMachine& side, RunFn run) {
    const size_t seen = test::ReadRequestLog(serverDir / "requests.log").size();
    for (const auto& commandLine : GetParam().commandLines) {
      EXPECT_EQ(run(commandLine.empty() ? std::vector<std::string>{}
                                        : std::vector<std::string>{commandLine}),
                0);
    }
    Outcome outcome;
    for (const auto& entry : fs::recursive_directory_iterator(side.Native("C:\\Agent"))) {
      if (!entry.is_regular_file()) continue;
      std::string path = fs::relative(entry.path(), side.Native("C:\\Agent")).string();
      for (char& c : path) c = c == '/' ? '\\' : c;
      const std::string bytes = side.Get("C:\\Agent\\" + path);
      if (path.starts_with("ApplicationLog\\qSCCLog\\")) {
        for (const auto& line : test::WithoutStamps(test::SplitCrLf(bytes))) {
          outcome.log.push_back(Comparable(line));
        }
      } else if (path.starts_with("SCCPostLogs\\")) {
        outcome.postLogs.push_back(Unclocked(bytes));
      } else {
        outcome.files[path] = bytes;
      }
    }
    const auto requests = test::ReadRequestLog(serverDir / "requests.log");
    for (size_t i = seen; i < requests.size(); ++i) {
      outcome.requests.push_back(requests[i].target + "\n" + Unclocked(requests[i].body));
    }
    return outcome;
  }

  test::ScopedTempDir serverDir;
  test::MockServerProcess server{[&] {
    std::vector<std::string> args = {"--templates", QMON_SOURCE_DIR "/tools/demo/templates",
                                     "--log", serverDir / "requests.log"};
    args.insert(args.end(), GetParam().serverArgs.begin(), GetParam().serverArgs.end());
    return args;
  }()};
};

TEST_P(WineCompareTest, BothProgramsLeaveTheSame) {
  static const WinePrefix wine;
  const Scenario& scenario = GetParam();
  // The agent key in the 32-bit view, where a 32-bit agent keeps it (the
  // first call boots the prefix).
  wine.Wine({"reg", "delete", "HKLM\\Software\\QAVOOD", "/f", "/reg:32"});
  std::string reg =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\QAVOOD]\r\n";
  for (const auto& line : test::kInstalledAgentValues) reg += line + "\r\n";
  wine.Put("C:\\agent.reg", reg);
  // The previous scenario's processes may still hold the prefix's registry
  // (an import then fails now and then): a few tries before giving up.
  int imported = -1;
  for (int i = 0; i < 5 && imported != 0; ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(500));
    imported = wine.Wine({"reg", "import", "C:\\agent.reg"});
  }
  ASSERT_EQ(imported, 0);

  fs::copy_file(QMON_WINDOWS_WBPOST, wine.Native("C:\\qWbPost.dll"),
                fs::copy_options::overwrite_existing);
  wine.Register(true);
  Install(wine);
  if (scenario.component == Component::kUnregistered) {
    wine.Register(false);
    ASSERT_FALSE(wine.Registered());
    fs::copy_file(QMON_WINDOWS_WBPOST, wine.Native("C:\\Agent\\qWbPost.dll"));
  } else if (scenario.component == Component::kDllGone) {
    fs::remove(wine.Native("C:\\qWbPost.dll"));
  }
  Outcome actual = RunOn(wine, [&](std::vector<std::string> args) {
    args.insert(args.begin(), QMON_WINDOWS_EXE);
    return wine.Wine(args);
  });
  std::filesystem::remove(wine.Native("C:\\values.reg"));
  wine.Wine({"reg", "export", "HKLM\\Software\\QAVOOD", "C:\\values.reg", "/reg:32", "/y"});
  actual.values = ValueLines(wine.Get("C:\\values.reg"));
  EXPECT_NE(wine.Wine({"reg", "query", "HKLM\\Software\\QAVOOD", "/reg:64"}), 0)
      << "the 64-bit registry view was written";
  for (const auto& start : scenario.logStarts) EXPECT_THAT(actual.log, Contains(StartsWith(start)));
  if (scenario.component == Component::kUnregistered) {
    for (int i = 0; i < 50 && !wine.Registered(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_TRUE(wine.Registered());
  }
  if (scenario.component != Component::kRegistered) return;

  test::PosixMachine emulated;
  Install(emulated);
  emulated.WriteAgentKey(test::kInstalledAgentValues);
  const Outcome expected = RunOn(emulated, [&](const std::vector<std::string>& args) {
    return ExitCode(test::RunBinary(emulated.dir.path(), args, kNoProxy));
  });
  EXPECT_EQ(actual.files, expected.files);
  EXPECT_EQ(actual.postLogs, expected.postLogs);
  EXPECT_EQ(actual.values, ValueLines(emulated.Get(emulated.dir / "system.reg")));
  EXPECT_EQ(actual.requests, expected.requests);
  // Windows shows short (8.3) names in paths where the emulated machine
  // shows long ones: such lines compare up to their first path.
  ASSERT_EQ(actual.log.size(), expected.log.size());
  for (size_t i = 0; i < actual.log.size(); ++i) {
    const size_t cut = actual.log[i].find('~') != std::string::npos ? actual.log[i].find("C:\\")
                                                                    : std::string::npos;
    EXPECT_EQ(actual.log[i].substr(0, cut), expected.log[i].substr(0, cut)) << "log line " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, WineCompareTest, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qmon
