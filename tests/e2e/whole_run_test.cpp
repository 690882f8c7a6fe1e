// Whole runs of the real program against the mock monitoring server over
// loopback: the command line, the server's answers and the installation
// decide how far a run gets and what it reports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "support/mock_server_process.h"
#include "support/posix_machine.h"
#include "support/run_binary.h"
#include "support/temp_dir.h"

namespace qmon {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kTemplates = "C:\\Agent\\QSCC\\MonitorTemplate\\";
const std::string kFailurePage = "/tfr_wpdcmsccrgidmontmpupdfail.asp";

// One script instance of the server's answer.
std::string Instance(const std::string& templateId, const std::string& body) {
  return "<scriptinstance><templateid>" + templateId +
         "</templateid><scriptsjobid>1</scriptsjobid><scriptid>900</scriptid>"
         "<agentcategory>c</agentcategory><agenttemplatename>n</agenttemplatename>"
         "<userlogonconfig>0</userlogonconfig><startdate/><enddate/><neverend>1</neverend>" +
         body + "</scriptinstance>";
}

const std::string kDiskTemplate =
    "<wpscriptmontmpltdtls>" +
    Instance("1", "<step><osdrv thval=\"90\">GT</osdrv></step>") + "</wpscriptmontmpltdtls>";

class WholeRunTest : public ::testing::Test {
 protected:
  WholeRunTest() {
    machine.InstallAgent();
    for (const char* file : {"QPERFMON.EXE", "QDSKEVTLOG.EXE", "qGNMD5.Dll"}) {
      machine.Put(std::string("C:\\Agent\\QSCC\\") + file, "");
    }
  }

  // Starts the mock server with the templates given so far and points the
  // agent's qScriptDNS.ini at it (without the script page when asked).
  void StartServer(const std::vector<std::string>& extra = {}, bool scriptPage = true) {
    std::vector<std::string> args = {"--templates", serverDir.path(), "--log", requestLog()};
    args.insert(args.end(), extra.begin(), extra.end());
    server = std::make_unique<test::MockServerProcess>(args);
    std::string ini = "[wpdcmsccrgidmontmpveriu]\r\nURL=" + server->Url("/dc") + "\r\n";
    if (scriptPage) ini += "[wpscriptmontmpltdtls]\r\nURL=" + server->Url("/dc") + "\r\n";
    machine.Put("C:\\Agent\\Configuration\\qScriptDNS.ini", ini);
  }

  void Serve(const std::string& id, const std::string& answer) {
    std::ofstream(serverDir / (id + ".xml"), std::ios::binary) << answer;
  }

  void Start(const std::vector<std::string>& args, std::vector<std::string> env = {}) {
    env.push_back("no_proxy=127.0.0.1");
    env.push_back("NO_PROXY=127.0.0.1");
    const int status = test::RunBinary(machine.dir.path(), args, env);
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    const auto today = machine.Native("C:\\Agent\\ApplicationLog\\qSCCLog");
    for (const auto& entry : std::filesystem::directory_iterator(today)) {
      log = test::WithoutStamps(test::SplitCrLf(machine.Get(entry.path().string())));
    }
  }

  std::string requestLog() const { return serverDir / "requests.log"; }
  std::vector<test::LoggedRequest> Requests() const { return test::ReadRequestLog(requestLog()); }

  // The inid of each script template request, in order.
  std::vector<std::string> RequestedIds() const {
    std::vector<std::string> ids;
    for (const auto& r : Requests()) {
      const size_t at = r.body.find("<inid>");
      if (at != std::string::npos) {
        ids.push_back(r.body.substr(at + 6, r.body.find("</inid>") - at - 6));
      }
    }
    return ids;
  }

  std::vector<test::LoggedRequest> FailureReports() const {
    std::vector<test::LoggedRequest> reports;
    for (const auto& r : Requests()) {
      if (r.target.find(kFailurePage) != std::string::npos) reports.push_back(r);
    }
    return reports;
  }

  std::vector<std::string> PostLogFiles() const {
    std::vector<std::string> names;
    const auto folder = machine.Native("C:\\Agent\\SCCPostLogs");
    if (!std::filesystem::exists(folder)) return names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  test::PosixMachine machine;
  test::ScopedTempDir serverDir;
  std::unique_ptr<test::MockServerProcess> server;
  std::vector<std::string> log;
};

TEST_F(WholeRunTest, SingleIdRefreshesEveryStoredTemplateAndConvertsThem) {
  Serve("12", kDiskTemplate);
  for (const char* id : {"12", "40", "77"}) machine.Put(kTemplates + id + "_Monitor.xml", "old");
  StartServer();
  Start({"77"});
  EXPECT_EQ(RequestedIds(), (std::vector<std::string>{"12", "40", "77"}));
  EXPECT_THAT(log, Contains("MSG : Got parameter: 77"));
  EXPECT_THAT(log, Contains("MSG : Script Job Ids : 12,40,77"));
  for (const char* id : {"40", "77"}) {
    EXPECT_THAT(log, Contains(std::string("ERR : Data not found. For ID : ") + id));
    EXPECT_FALSE(machine.Exists(kTemplates + id + "_Monitor.xml"));
  }
  EXPECT_EQ(machine.Get(kTemplates + "12_Monitor.xml"), kDiskTemplate + "\r\n");
  EXPECT_THAT(machine.Get(kTemplates + "DesktopMonitor.ini"),
              HasSubstr("[DCM1]\r\nId=1\r\nscriptid=900\r\nName=n\r\nOSthreshold=90\r\n"));
  EXPECT_TRUE(FailureReports().empty());
  EXPECT_EQ(log.back(), "");
}

TEST_F(WholeRunTest, CommandLinesThatAreNotPlainIds) {
  struct Case {
    const char* commandLine;
    std::vector<std::string> requested;
    const char* ids;
  };
  const Case cases[] = {{"12,40", {"5", "12", "40"}, "5,12,40"},
                        {"77abc", {"5", "77abc"}, "5,77abc"},
                        {"abc", {"5"}, "5"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.commandLine);
    std::filesystem::remove_all(machine.Native(kTemplates));
    machine.Put(kTemplates + "5_Monitor.xml", "old");
    // The file of the command line's own text goes before the folder is scanned.
    if (std::string(c.commandLine) == "77abc") machine.Put(kTemplates + "77abc_Monitor.xml", "x");
    StartServer();
    Start({c.commandLine});
    EXPECT_EQ(RequestedIds(), c.requested);
    EXPECT_THAT(log, Contains(std::string("MSG : Got parameter: ") + c.commandLine));
    EXPECT_THAT(log, Contains(std::string("MSG : Script Job Ids : ") + c.ids));
    server.reset();
    std::filesystem::remove(requestLog());
  }
}

TEST_F(WholeRunTest, NoIdAtAllStillConvertsAnEmptyMasterTemplate) {
  StartServer();
  Start({});
  EXPECT_TRUE(Requests().empty());
  EXPECT_THAT(log, Contains("ERR : No Script Job Id Found"));
  EXPECT_EQ(machine.Get(kTemplates + "Master_mointoringTemplate.xml"),
            "<dcmgetmontemp> <templateid>0</templateid> <templatever>0</templatever> "
            "</dcmgetmontemp>");
  EXPECT_FALSE(machine.Exists(kTemplates + "DesktopMonitor.ini"));
}

// An id is used as text: its separators take part in the file names it
// forms, which the file system resolves as Windows does.
TEST_F(WholeRunTest, IdWithPathSeparatorsNamesTheFilesItResolvesTo) {
  machine.Put(kTemplates + "40_Monitor.xml", "stored");
  StartServer();
  Start({"12\\..\\40"});
  EXPECT_EQ(RequestedIds(), std::vector<std::string>{"12\\..\\40"});
  EXPECT_THAT(log, Contains("File deleted : " + kTemplates + "12\\..\\40_Monitor.xml"));
  EXPECT_THAT(log, Contains("ERR : Data not found. For ID : 12\\..\\40"));
  EXPECT_FALSE(machine.Exists(kTemplates + "40_Monitor.xml"));
  EXPECT_FALSE(machine.Exists(kTemplates + "12"));
}

TEST_F(WholeRunTest, FailureWithoutReportUrlIsOnlyLogged) {
  std::filesystem::remove(machine.Native("C:\\Agent\\QSCC\\QDSKEVTLOG.EXE"));
  StartServer();
  machine.Put("C:\\Agent\\Configuration\\qScriptDNS.ini",
              "[wpscriptmontmpltdtls]\r\nURL=" + server->Url("/dc") + "\r\n");
  Start({});
  EXPECT_THAT(log, Contains("ERR : Unable to send Failure status to DC."));
  EXPECT_TRUE(FailureReports().empty());
  EXPECT_TRUE(PostLogFiles().empty());
}

TEST_F(WholeRunTest, FailureReportAcceptedAtTheSecondAttempt) {
  std::filesystem::remove(machine.Native("C:\\Agent\\QSCC\\QDSKEVTLOG.EXE"));
  StartServer({"--fail", "http500", "--fail-first", "1"});
  Start({});
  const auto reports = FailureReports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_THAT(reports[0].body, HasSubstr("<faildesc><![CDATA[QDSKEVTLOG.EXE not found]]>"));
  EXPECT_THAT(reports[0].target, HasSubstr("?mmid=2002&sid=3003&rid=1001&rty=TRLX"));
  EXPECT_THAT(log, Contains("MSG : Webpost Try.2"));
  EXPECT_THAT(log, Contains("MSG : Webpost Successful"));
  EXPECT_THAT(log, Not(Contains("ERR : Unable to send Failure status to DC.")));
  EXPECT_TRUE(PostLogFiles().empty());
}

TEST_F(WholeRunTest, BothMonitorsMissingEndAfterOneReport) {
  for (const char* exe : {"QPERFMON.EXE", "QDSKEVTLOG.EXE"}) {
    std::filesystem::remove(machine.Native(std::string("C:\\Agent\\QSCC\\") + exe));
  }
  StartServer();
  Start({});
  const auto reports = FailureReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_THAT(reports[0].body,
              HasSubstr("<![CDATA[QPERFMON.EXE not found;QDSKEVTLOG.EXE not found]]>"));
  EXPECT_FALSE(machine.Exists(kTemplates + "Master_mointoringTemplate.xml"));
}

// A hostile server costs at most the time-outs and the one template it
// spoils: the run ends, no entity is expanded or fetched, and the failure
// shows in the log.
TEST_F(WholeRunTest, HostileServerSpoilsOnlyItsOwnAnswer) {
  const std::string emptyMaster =
      "MSG : Return Response Text : <dcmgetmontemp> <templateid>0</templateid> "
      "<templatever>0</templatever> </dcmgetmontemp>";
  const struct {
    std::vector<std::string> serverArgs;
    std::string logPart;  // in one line of the log
  } cases[] = {
      {{"--fail", "reset"}, "ERR : WebPost Failed : libcurl error 56-"},
      {{"--fail", "drip"}, "ERR : WebPost Failed : libcurl error 28-"},
      {{"--fail", "garbage"}, emptyMaster},
      {{"--fail", "entity-bomb"}, emptyMaster},
      {{"--fail", "external-entity"}, emptyMaster},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serverArgs.back());
    std::filesystem::remove_all(machine.Native("C:\\Agent\\ApplicationLog"));
    StartServer(c.serverArgs);
    Start({"12"}, {"QMON_HTTP_TIMEOUT=1", "QMON_HTTP_CONNECT_TIMEOUT=1"});
    EXPECT_THAT(log, Contains("Application Ended"));
    EXPECT_THAT(log, Contains(HasSubstr(c.logPart)));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(machine.dir.path())) {
      if (!entry.is_regular_file()) continue;
      EXPECT_LT(entry.file_size(), 1u << 20) << entry.path();
      std::ifstream file(entry.path(), std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(file), {}};
      EXPECT_THAT(bytes, Not(HasSubstr("root:x:"))) << entry.path();
    }
    server.reset();
    std::filesystem::remove(requestLog());
  }
}

}  // namespace
}  // namespace qmon
