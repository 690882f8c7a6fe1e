#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "schedule/schedule.h"
#include "schedule/schedule_fixture.h"
#include "support/forwarding_fs.h"

namespace qmon::test {
namespace {

using ::testing::ElementsAre;

// The scheduler's working-hours entry for the performance monitor, and the
// clear request it gives.
const ScheduleEntry kOffice{
    "C:\\Agent\\QSCC\\QPERFMON.EXE", "", "08:00", "18:00", "60", "1,2,3,4,5"};
const ScheduleEntry kOfficeClear{kPerf, " ", "08:00", "18:00", "60", "1,2,3,4,5"};

const std::string kSearching = "MSG : Searching QSCC\\QPERFMON.EXE schedule in QavoScheduler.ini ";
const std::string kCreating =
    "MSG : Creating Schedule for QSCC\\QPERFMON.EXE in qMonIniWriter_DeleteSection.ini";

class ClearSchedulesTest : public ScheduleTest {
 protected:
  std::string Clear() { return ClearSchedules(run, kPerf); }
};

TEST_F(ClearSchedulesTest, SchedulerEntryIsClearedWithItsOwnValues) {
  const struct {
    const char* what;
    std::string scheduler, clear, add, section;
    ScheduleEntry request;
  } cases[] = {
      {"the first entry that names it counts",
       Section("Perf", kOffice) + Section("Perf2", Daily("C:\\Agent\\QSCC\\QPERFMON.EXE", "5")), "",
       "", "1", kOfficeClear},
      {"empty values are filled in",
       "[P]\r\nExecutableName=qscc\\qperfmon.exe\r\nInterval=\r\n",
       "",
       "",
       "1",
       {kPerf, " ", "00:01", "23:59", " ", "0,1,2,3,4,5,6"}},
      {"behind the highest named entry; a section without a name is passed over",
       Section("Perf", kOffice),
       Section("1", kA) + Section("7", kB) + Section("2", kA) + "[9]\r\nInterval=60\r\n", "", "8",
       kOfficeClear},
      {"a pending add request with another Parameter stays",
       Section("Perf", kPerf5),
       "",
       Section("1", kPerf5),
       "1",
       {kPerf, " ", "00:01", "23:59", "5", "0,1,2,3,4,5,6"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    machine.Put(kSchedulerIni, c.scheduler);
    machine.Put(kClearFile, c.clear);
    machine.Remove(kAddFile);
    if (!c.add.empty()) machine.Put(kAddFile, c.add);
    EXPECT_EQ(Clear(), "");
    EXPECT_EQ(machine.Get(kClearFile), c.clear + Section(c.section, c.request));
    EXPECT_EQ(machine.Exists(kAddFile) ? machine.Get(kAddFile) : "none",
              c.add.empty() ? "none" : c.add);
    EXPECT_EQ(NewLines(), Lines({{kSearching, kCreating}, ClearLog(c.section, c.request)}));
  }
}

TEST_F(ClearSchedulesTest, PendingClearRequestIsRewrittenInItsSection) {
  machine.Put(kSchedulerIni, Section("Perf", kOffice));
  const ScheduleEntry pending{
      " c:\\agent\\qscc\\qperfmon.exe", "", "00:01", "23:59", "5", "0,1,2,3,4,5,6"};
  machine.Put(kClearFile, Section("1", kA) + Section("4", pending) + Section("5", kPerf5));
  EXPECT_EQ(Clear(), "");
  // The pending entry's name, in upper case, is the one written.
  const ScheduleEntry request{
      "C:\\AGENT\\QSCC\\QPERFMON.EXE", " ", "08:00", "18:00", "60", "1,2,3,4,5"};
  EXPECT_EQ(machine.Get(kClearFile),
            Section("1", kA) + Section("4", request) + "\r\n" + Section("5", kPerf5));
  EXPECT_EQ(Logged(), Lines({{kSearching,
                              "MSG : Schedule found for QSCC\\QPERFMON.EXE in "
                              "qMonIniWriter_DeleteSection.ini: 4",
                              kCreating},
                             ClearLog("4", request)}));
}

TEST_F(ClearSchedulesTest, WithoutSchedulerEntryOnlyThePendingAddRequestIsWithdrawn) {
  machine.Put(kSchedulerIni, Section("Event", Daily("QSCC\\QDSKEVTLOG.EXE", "60")));
  // The short read cuts the long value on both sides alike, so it still matches.
  const ScheduleEntry longPerf{kPerf, std::string(300, 'p'), "00:01", "23:59",
                               "5",   "0,1,2,3,4,5,6"};
  machine.Put(kAddFile,
              Section("1", kA) + Section("2", longPerf) + Section("3", kB) + Section("4", kPerf5));
  EXPECT_EQ(Clear(), "");
  EXPECT_EQ(machine.Get(kAddOfClear),
            Section("1", kA) + Section("2", kB) + Section("3", kPerf5) + "\r\n");
  EXPECT_EQ(machine.Get(kClearFile), "");
  EXPECT_EQ(NewLines(), Lines({{kSearching}, WithdrawLog(kPerf, "2", true)}));
  EXPECT_THAT(machine.List(kFolder),
              ElementsAre("qMonIniWriter_AddSection.ini", "qMonIniWriter_DeleteSection.ini"));

  // Found by containment, but only an equal name is withdrawn.
  const std::string add = Section("1", Daily("C:\\Agent\\QSCC\\QPERFMON.EXE", "5"));
  machine.Put(kAddFile, add);
  machine.Remove(kSchedulerIni);
  EXPECT_EQ(Clear(), "");
  EXPECT_EQ(machine.Get(kAddFile), add);
  EXPECT_EQ(NewLines(), std::vector{WithdrawLog(kPerf, "", false)[0]});
}

TEST_F(ClearSchedulesTest, ClearRequestFileTakenAwayMeanwhileIsMadeAgain) {
  machine.Put(kSchedulerIni, Section("Perf", kOffice));
  for (const int nth : {1, 2}) {
    SCOPED_TRACE(nth);
    machine.Put(kClearFile, Section("1", kA) + Section("3", kB));
    FileVanishes fs(machine.fs, kClearFile, nth);
    run.env.fs = run.objFSO = &fs;
    EXPECT_EQ(Clear(), "");
    EXPECT_EQ(machine.Get(kClearFile), Section("1", kOfficeClear));
    std::vector<std::string> expected = {kSearching};
    if (nth == 1) expected.push_back("MSG : File not found : qMonIniWriter_DeleteSection.ini.");
    EXPECT_EQ(NewLines(), Lines({expected, {kCreating}, ClearLog("1", kOfficeClear)}));
    run.env.fs = run.objFSO = &machine.fs;
  }
}

TEST_F(ClearSchedulesTest, ClearRequestFileThatCannotBeMadeFailsTheCall) {
  CreateTextFails fs(machine.fs, kClearFile);
  run.env.fs = run.objFSO = &fs;
  machine.Put(kAddFile, Section("1", kPerf5));
  EXPECT_EQ(Clear(), " Failed to clean schedules.");
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kPerf5));
  EXPECT_THAT(Logged(), ElementsAre("ERR : 70 (Permission denied) in procedure ClearSchedules of "
                                    "Module modMain"));
}

}  // namespace
}  // namespace qmon::test
