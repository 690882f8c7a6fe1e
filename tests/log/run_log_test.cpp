#include "log/run_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/vb_error.h"
#include "support/machine.h"

namespace qmon {
namespace {

using ::testing::ElementsAre;
using test::kStamp;

class RunLogTest : public ::testing::Test {
 protected:
  RunLogTest() : run(machine.env()) {
    machine.MakeFolder("C:\\Agent");
    run.strInstallationPath = "C:\\Agent\\";
  }

  // One whole block: open, the given messages, close.
  void Block(const std::vector<std::string>& messages) {
    qmon::Run fresh(machine.env());
    fresh.strInstallationPath = run.strInstallationPath;
    OpenRunLog(fresh);
    for (const auto& m : messages) WriteLogLine(fresh, m);
    EXPECT_THROW(CloseRunLog(fresh), ProcessEnd);
  }

  test::TestMachine machine;
  qmon::Run run;
};

TEST_F(RunLogTest, TwoRunsOfOneDayShareOneFileWithTwoBlocks) {
  Block({"MSG : one"});
  machine.clock.now.hour = 0;
  machine.clock.now.minute = 0;
  machine.clock.now.second = 0;  // midnight: the stamp is the date alone
  Block({""});
  const std::string frame(70, '=');
  EXPECT_THAT(machine.LogLines(),
              ElementsAre(frame, kStamp + "MSG : Application Started Now.",
                          kStamp + "MSG : InstallationPath :: C:\\Agent\\", kStamp + "MSG : one",
                          kStamp + "Application Ended", frame, "", "",  //
                          frame, "3/4/2026\tMSG : Application Started Now.",
                          "3/4/2026\tMSG : InstallationPath :: C:\\Agent\\", "",
                          "3/4/2026\tApplication Ended", frame, "", ""));
}

TEST_F(RunLogTest, FileIsNamedAfterTheDayTheRunStarted) {
  OpenRunLog(run);
  machine.clock.now = {2026, 3, 5, 0, 0, 1};
  WriteLogLine(run, "MSG : after midnight");
  EXPECT_EQ(run.strLogFilePath, "C:\\Agent\\ApplicationLog\\qSCCLog\\qMonIniWriter_20260304.log");
  EXPECT_FALSE(machine.Exists("C:\\Agent\\ApplicationLog\\qSCCLog\\qMonIniWriter_20260305.log"));
  machine.clock.now = {2026, 3, 4, 9, 5, 7};
  EXPECT_EQ(machine.LogLines().back(), "3/5/2026 12:00:01 AM\tMSG : after midnight");
}

TEST_F(RunLogTest, UnopenableLogDropsEveryWriteAndTheRunGoesOn) {
  // A file where the log folder should be: neither the folder nor the log
  // can be made.
  machine.Put("C:\\Agent\\ApplicationLog", "not a folder");
  OpenRunLog(run);
  WriteLogLine(run, "MSG : lost");
  EXPECT_EQ(run.objLogStream, nullptr);
  EXPECT_THROW(CloseRunLog(run), ProcessEnd);
  EXPECT_EQ(machine.Get("C:\\Agent\\ApplicationLog"), "not a folder");
}

TEST_F(RunLogTest, CloseBeforeOpenOnlyEndsTheProcess) {
  EXPECT_THROW(CloseRunLog(run), ProcessEnd);
  EXPECT_FALSE(machine.Exists("C:\\Agent\\ApplicationLog"));
}

TEST_F(RunLogTest, LineOutsideTheCodePageIsDroppedAndLaterLinesStillWritten) {
  OpenRunLog(run);
  WriteLogLine(run, "MSG : \xE6\x97\xA5");  // a CJK character: no ANSI form
  WriteLogLine(run, "MSG : caf\xC3\xA9");
  const std::string raw = machine.Get(run.strLogFilePath);
  EXPECT_EQ(raw.find("\xE6\x97\xA5"), std::string::npos);
  EXPECT_NE(raw.find("MSG : caf\xE9\r\n"), std::string::npos);  // é as its ANSI byte
  EXPECT_EQ(machine.LogLines().size(), 4u);
}

}  // namespace
}  // namespace qmon
