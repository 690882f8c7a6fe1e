#include "log/run_log.h"

#include <gtest/gtest.h>

#include "platform/vb_error.h"
#include "support/machine.h"

// The frame, the blocks of runs sharing a day's file and a log that cannot be
// opened are pinned by the scenarios' logs (tests/scenarios).

namespace qmon {
namespace {

class RunLogTest : public ::testing::Test {
 protected:
  RunLogTest() : run(machine.env()) {
    machine.MakeFolder("C:\\Agent");
    run.strInstallationPath = "C:\\Agent\\";
  }

  test::TestMachine machine;
  qmon::Run run;
};

TEST_F(RunLogTest, FileIsNamedAfterTheDayTheRunStarted) {
  OpenRunLog(run);
  machine.clock.now = {2026, 3, 5, 0, 0, 1};
  WriteLogLine(run, "MSG : after midnight");
  EXPECT_EQ(run.strLogFilePath, "C:\\Agent\\ApplicationLog\\qSCCLog\\qMonIniWriter_20260304.log");
  EXPECT_FALSE(machine.Exists("C:\\Agent\\ApplicationLog\\qSCCLog\\qMonIniWriter_20260305.log"));
  machine.clock.now = {2026, 3, 4, 9, 5, 7};
  EXPECT_EQ(machine.LogLines().back(), "3/5/2026 12:00:01 AM\tMSG : after midnight");
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
