// Whole runs of the Windows program under Wine beside the Linux program on
// the same installation and the same server answers: both must leave the
// same files, registry values, log lines and requests.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/machine.h"
#include "support/mock_server_process.h"
#include "support/run_binary.h"
#include "support/temp_dir.h"
#include "wine_e2e/agent_side.h"

namespace qmon {
namespace {

using ::testing::Contains;
using ::testing::IsSupersetOf;

const std::string kLogFolder = "ApplicationLog\\qSCCLog\\";
const std::string kPostLogs = "SCCPostLogs\\";

// Replaces the text between `open` and `close` tags with "*": the agent's
// clock and the scan time differ between two runs.
std::string Unclocked(std::string text) {
  for (const std::string tag : {"inagenttime", "scandt"}) {
    const std::string open = "<" + tag + ">", close = "</" + tag + ">";
    for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
      const size_t end = text.find(close, at);
      if (end != std::string::npos) text.replace(at + open.size(), end - at - open.size(), "*");
    }
  }
  return text;
}

// A log line as both builds can agree on it: the agent's clock masked (in
// XML and in post log names, "..._MMDDYYYYhhnnss.txt"), and registry handle
// numbers, which are the system's own on Windows.
std::string Comparable(std::string line) {
  line = Unclocked(line);
  const size_t txt = line.find(".txt");
  if (txt != std::string::npos && txt >= 14) line.replace(txt - 14, 14, "#");
  const std::string handle = "Ret for RegCreateKey ";
  const size_t at = line.find(handle);
  if (at != std::string::npos) line.replace(at + handle.size(), std::string::npos, "#");
  return line;
}

// The part of a line before its first path: Windows shows short (8.3) names
// where the emulated machine, which has none, shows long ones.
std::string BeforePath(const std::string& line) { return line.substr(0, line.find("C:\\")); }

// What one run left behind, in comparable form.
struct Outcome {
  std::map<std::string, std::string> files;  // the log and post logs taken out
  std::vector<std::string> log;              // stamps removed
  std::vector<std::string> postLogs;         // contents, in name order
  std::map<std::string, std::string> values;
  std::vector<std::string> requests;         // target and body
};

// Reports the lines that differ rather than two whole logs.
void ExpectSameLines(const std::vector<std::string>& actual,
                     const std::vector<std::string>& expected) {
  EXPECT_EQ(actual.size(), expected.size());
  int reported = 0;
  for (size_t i = 0; i < std::min(actual.size(), expected.size()) && reported < 5; ++i) {
    const bool shortPath = actual[i].find('~') != std::string::npos;
    if (shortPath ? BeforePath(actual[i]) != BeforePath(expected[i]) : actual[i] != expected[i]) {
      ++reported;
      ADD_FAILURE() << "log line " << i << "\n  Windows: " << actual[i] << "\n  Linux:   " << expected[i];
    }
  }
}

class WineCompareTest : public ::testing::Test {
 protected:
  void StartServer(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {"--templates", QMON_SOURCE_DIR "/tools/demo/templates",
                                     "--log", serverDir / "requests.log"};
    args.insert(args.end(), extra.begin(), extra.end());
    server = std::make_unique<test::MockServerProcess>(args);
    agent = test::SampleAgent(server->Url("/dc"));
  }

  // Installs the agent on a side and runs the command lines in turn; the
  // outcome is that of the last run.
  Outcome RunOn(test::AgentSide& side, const std::vector<std::string>& commandLines) {
    side.Install(agent);
    const size_t seen = test::ReadRequestLog(serverDir / "requests.log").size();
    for (const auto& commandLine : commandLines) EXPECT_EQ(side.Run(commandLine), 0);
    return Collect(side, seen);
  }

  // What the side holds now; requests from the `seen`-th on.
  Outcome Collect(test::AgentSide& side, size_t seen) {
    Outcome outcome;
    for (auto& [path, bytes] : side.Files()) {
      if (path.rfind(kLogFolder, 0) == 0) {
        outcome.log = test::WithoutStamps(test::SplitCrLf(bytes));
        for (auto& line : outcome.log) line = Comparable(line);
      } else if (path.rfind(kPostLogs, 0) == 0) {
        outcome.postLogs.push_back(Unclocked(bytes));
      } else {
        outcome.files[path] = bytes;
      }
    }
    outcome.values = side.Values();
    const auto requests = test::ReadRequestLog(serverDir / "requests.log");
    for (size_t i = seen; i < requests.size(); ++i) {
      outcome.requests.push_back(requests[i].target + "\n" + Unclocked(requests[i].body));
    }
    return outcome;
  }

  // Runs both programs and requires the same outcome; answers it.
  Outcome Compare(const std::vector<std::string>& commandLines) {
    auto emulated = test::MakeLinuxSide();
    const Outcome expected = RunOn(*emulated, commandLines);
    const Outcome actual = RunOn(wine, commandLines);
    EXPECT_EQ(actual.files, expected.files);
    ExpectSameLines(actual.log, expected.log);
    EXPECT_EQ(actual.postLogs, expected.postLogs);
    EXPECT_EQ(actual.values, expected.values);
    EXPECT_EQ(actual.requests, expected.requests);
    EXPECT_FALSE(wine.In64BitView()) << "the 64-bit registry view was written";
    return actual;
  }

  test::ScopedTempDir serverDir;
  std::unique_ptr<test::MockServerProcess> server;
  test::Installation agent;
  test::WineSide wine;
};

TEST_F(WineCompareTest, WholeRunAndRerunWriteTheSameFiles) {
  StartServer();
  const Outcome first = Compare({"12,77"});
  EXPECT_TRUE(first.files.count("QSCC\\MonitorTemplate\\DesktopMonitor.ini"));
  EXPECT_TRUE(first.files.count("QSCC\\MonitorTemplate\\SCCEventLogTemplate.xml"));
  EXPECT_TRUE(first.values.count("Performance") && first.values.count("Event"));
  const Outcome rerun = Compare({"12,77", ""});
  EXPECT_EQ(rerun.files, first.files);
}

TEST_F(WineCompareTest, MissingMonitorReportIsKeptAsPostLog) {
  StartServer({"--fail-answer", "OK"});
  agent.files.erase("C:\\Agent\\QSCC\\QDSKEVTLOG.EXE");
  const Outcome outcome = Compare({"12"});
  EXPECT_EQ(outcome.postLogs.size(), 1u);
  EXPECT_THAT(outcome.log, Contains("ERR : Unable to send Failure status to DC."));
}

// Both web-post components describe the same failure with the same details.
TEST_F(WineCompareTest, ServerErrorIsDescribedAlike) {
  StartServer({"--fail", "http500"});
  const Outcome outcome = Compare({"12"});
  EXPECT_THAT(outcome.log, Contains(::testing::StartsWith("ERR : WebPost Failed : ")));
}

// An unregistered component: the run registers the installation's copy and
// tries once more at once; the registration, not waited for, serves the next run.
TEST_F(WineCompareTest, UnregisteredComponentIsRegisteredForTheNextRun) {
  StartServer();
  wine.RegisterComponent(false);
  ASSERT_FALSE(wine.ComponentRegistered());
  std::ifstream dll(QMON_WINDOWS_WBPOST, std::ios::binary);
  agent.files["C:\\Agent\\qWbPost.dll"] = (std::ostringstream() << dll.rdbuf()).str();
  const Outcome first = RunOn(wine, {"12"});
  EXPECT_THAT(first.log, IsSupersetOf({"MSG : Failed to create qWbPost.Dll Object",
                                       "Msg : Registering qWbPost.dll ....."}));
  for (int i = 0; i < 50 && !wine.ComponentRegistered(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  ASSERT_TRUE(wine.ComponentRegistered());
  EXPECT_EQ(wine.Run("12"), 0);
  EXPECT_THAT(Collect(wine, 0).log, Contains("MSG : Successfully Created Object for qWbPost.dll"));
}

// A component registered from a DLL that is gone cannot be created, and
// without the installation's copy there is nothing to register: the run ends.
TEST_F(WineCompareTest, ComponentWhoseDllIsGoneEndsTheRun) {
  StartServer();
  wine.RegisterComponent(false);
  const std::string copy = wine.DriveC() + "/gone/qWbPost.dll";
  std::filesystem::create_directories(wine.DriveC() + "/gone");
  std::filesystem::copy_file(QMON_WINDOWS_WBPOST, copy);
  ASSERT_EQ(wine.Wine({"regsvr32", "/s", "C:\\gone\\qWbPost.dll"}), 0);
  std::filesystem::remove_all(wine.DriveC() + "/gone");
  const Outcome outcome = RunOn(wine, {"12"});
  EXPECT_THAT(outcome.log, IsSupersetOf({"MSG : Failed to create qWbPost.Dll Object",
                                         "ERR : qWbPost.dll Missing",
                                         "ERR : Object Creation for webpostdll Failed."}));
  EXPECT_TRUE(outcome.requests.empty());
}

}  // namespace
}  // namespace qmon
