// Whole runs of the real program on prepared prefixes: each way a run can end
// before it reaches the server.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/posix_machine.h"
#include "support/run_binary.h"

namespace qmon {
namespace {

using ::testing::ElementsAre;

const std::string kFrame(70, '=');
const std::string kLogFolder = "C:\\Agent\\ApplicationLog\\qSCCLog";

class RunEndsTest : public ::testing::Test {
 protected:
  int Start(const std::vector<std::string>& args = {}) {
    const int status = test::RunBinary(machine.dir.path(), args);
    EXPECT_TRUE(WIFEXITED(status)) << "the program must end by itself, status " << status;
    return status;
  }

  // The one log file the runs wrote, stamps removed; empty when there is none.
  std::vector<std::string> Log() {
    const std::string folder = machine.Native(kLogFolder);
    if (!std::filesystem::exists(folder)) return {};
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      files.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(files.size(), 1u);
    return test::WithoutStamps(test::SplitCrLf(machine.Get(kLogFolder + "\\" + files.at(0))));
  }

  // The lines of one block that ends through the closing lines.
  static std::vector<std::string> Block(const std::vector<std::string>& middle) {
    std::vector<std::string> lines = {kFrame, "MSG : Application Started Now.",
                                      "MSG : InstallationPath :: C:\\Agent\\"};
    lines.insert(lines.end(), middle.begin(), middle.end());
    lines.insert(lines.end(), {"Application Ended", kFrame, "", ""});
    return lines;
  }

  test::PosixMachine machine;
};

TEST_F(RunEndsTest, MissingAgentKeyEndsWithoutAnyFile) {
  machine.MakeFolder("C:\\Agent");
  Start({"77"});
  EXPECT_FALSE(machine.Exists("C:\\Agent\\ApplicationLog"));
  EXPECT_FALSE(std::filesystem::exists(machine.dir.path() + "/system.reg"));
}

TEST_F(RunEndsTest, MissingInstallationFolderEndsSilently) {
  machine.WriteAgentKey({R"("InstallationPath"="C:\\Agent")", R"("REGID"="1")"});
  Start();
  EXPECT_FALSE(std::filesystem::exists(machine.dir.path() + "/drive_c"));
}

TEST_F(RunEndsTest, RefusedIdentityLogsTheReasonAndTheEndLines) {
  machine.WriteAgentKey({R"("InstallationPath"="C:\\Agent")", R"("REGID"="1")",
                         R"("MEMBERID"="2")", R"("SITEID"="3")", R"("TYPE"="TRLX2")"});
  machine.MakeFolder("C:\\Agent");
  Start();
  EXPECT_EQ(Log(), Block({"ERR : RegType TRLX not found"}));
  EXPECT_FALSE(machine.Exists("C:\\Agent\\QSCC"));
}

TEST_F(RunEndsTest, CleanStartPreparesTheFolders) {
  machine.InstallAgent();
  Start({"77"});
  const auto log = Log();
  ASSERT_GE(log.size(), 9u);
  EXPECT_EQ(log[3], "MSG : Folder Created: C:\\Agent\\QSCC\\MonitorTemplate");
  EXPECT_EQ(log[4], "MSG : Getting Webpost Settings");
  EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
            (std::vector<std::string>{"Application Ended", kFrame, "", ""}));
  EXPECT_TRUE(std::filesystem::is_directory(machine.Native("C:\\Agent\\QSCC\\MonitorTemplate")));
  EXPECT_TRUE(std::filesystem::is_directory(machine.Native("C:\\Agent\\Scheduler INI")));
}

TEST_F(RunEndsTest, UnexpectedErrorLogsOneLineAndNoEndLines) {
  machine.InstallAgent();
  std::filesystem::remove(machine.Native("C:\\Agent\\QSCC"));  // the template folder's parent
  Start();
  EXPECT_THAT(Log(), ElementsAre(kFrame, "MSG : Application Started Now.",
                                 "MSG : InstallationPath :: C:\\Agent\\",
                                 "Error in Main(),Error No:76 ,Error Description : Path not found"));
}

TEST_F(RunEndsTest, SecondInstanceTouchesNothing) {
  machine.InstallAgent();
  const std::string lock = machine.dir.path() + "/qMonIniWriter.lock";
  const int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  Start();
  EXPECT_FALSE(machine.Exists("C:\\Agent\\ApplicationLog"));
  close(fd);  // released: the next run goes ahead
  Start();
  EXPECT_FALSE(Log().empty());
}

}  // namespace
}  // namespace qmon
