#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "schedule/schedule.h"
#include "schedule/schedule_fixture.h"
#include "support/forwarding_fs.h"

namespace qmon {
namespace {

using test::ClearLog;
using test::Daily;
using test::kAddFile;
using test::kClearFile;
using test::kFolder;
using test::kPerf;
using test::kSchedulerIni;
using test::Lines;
using test::Section;
using ::testing::ElementsAre;

const ScheduleEntry kA{"QSCC\\A.EXE", "-a", "08:00", "18:00", "60", "1,2,3,4,5"};
const ScheduleEntry kB{"QSCC\\B.EXE", "", "00:01", "23:59", "15", "0"};
const ScheduleEntry kPerf5 = Daily(kPerf, "5");
// The scheduler's working-hours entry for the performance monitor, and the
// clear request it gives.
const ScheduleEntry kOffice{
    "C:\\Agent\\QSCC\\QPERFMON.EXE", "", "08:00", "18:00", "60", "1,2,3,4,5"};
const ScheduleEntry kOfficeClear{kPerf, " ", "08:00", "18:00", "60", "1,2,3,4,5"};
// The add-request file as ClearSchedules searches and cleans it.
const std::string kAddOfClear = kFolder + "\\qMonIniWriter_AddSection.ini";

const std::string kSearching = "MSG : Searching QSCC\\QPERFMON.EXE schedule in QavoScheduler.ini ";
const std::string kCreating =
    "MSG : Creating Schedule for QSCC\\QPERFMON.EXE in qMonIniWriter_DeleteSection.ini";
const std::string kSearchingAdd =
    "MSG : Searching QSCC\\QPERFMON.EXE schedule in qMonIniWriter_AddSection.ini, If found , "
    "remove the schedule from qMonIniWriter_AddSection.ini";

class ClearSchedulesTest : public test::ScheduleTest {
 protected:
  std::string Clear() { return ClearSchedules(run, kPerf); }
};

TEST_F(ClearSchedulesTest, SchedulerEntryIsClearedWithItsOwnValues) {
  machine.Put(kSchedulerIni, Section("Perf", kOffice) +
                                 Section("Perf2", Daily("C:\\Agent\\QSCC\\QPERFMON.EXE", "5")));
  machine.Put(kClearFile, "");
  EXPECT_EQ(Clear(), "");
  EXPECT_EQ(machine.Get(kClearFile), Section("1", kOfficeClear));
  EXPECT_FALSE(machine.Exists(kAddFile));
  EXPECT_EQ(Logged(), Lines({{kSearching, kCreating}, ClearLog("1", kOfficeClear)}));
}

TEST_F(ClearSchedulesTest, EmptySchedulerValuesAreFilledIn) {
  machine.Put(kSchedulerIni, "[P]\r\nExecutableName=qscc\\qperfmon.exe\r\nInterval=\r\n");
  EXPECT_EQ(Clear(), "");
  const ScheduleEntry filled{kPerf, " ", "00:01", "23:59", " ", "0,1,2,3,4,5,6"};
  EXPECT_EQ(machine.Get(kClearFile), Section("1", filled));
  EXPECT_EQ(Logged(), Lines({{kSearching, kCreating}, ClearLog("1", filled)}));
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

TEST_F(ClearSchedulesTest, NewClearRequestGoesBehindTheHighestNamedEntry) {
  machine.Put(kSchedulerIni, Section("Perf", kOffice));
  // A section without an ExecutableName is passed over, its number too.
  const std::string clear =
      Section("1", kA) + Section("7", kB) + Section("2", kA) + "[9]\r\nInterval=60\r\n";
  machine.Put(kClearFile, clear);
  EXPECT_EQ(Clear(), "");
  EXPECT_EQ(machine.Get(kClearFile), clear + Section("8", kOfficeClear));
  EXPECT_EQ(Logged(), Lines({{kSearching, kCreating}, ClearLog("8", kOfficeClear)}));
}

TEST_F(ClearSchedulesTest, ClearRequestKeepsAnAddRequestWithAnotherParameter) {
  machine.Put(kSchedulerIni, Section("Perf", kPerf5));
  machine.Put(kAddFile, Section("1", kPerf5));
  EXPECT_EQ(Clear(), "");
  const ScheduleEntry request{kPerf, " ", "00:01", "23:59", "5", "0,1,2,3,4,5,6"};
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kPerf5));
  EXPECT_EQ(machine.Get(kClearFile), Section("1", request));
  EXPECT_EQ(Logged(), Lines({{kSearching, kCreating}, ClearLog("1", request)}));
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
  EXPECT_EQ(
      Logged(),
      Lines({{kSearching, kSearchingAdd,
              "MSG : Remove schedule [ QSCC\\QPERFMON.EXE ] from " + kAddOfClear,
              "MSG : Deleting section 2 from QavoScheduler.ini", "File deleted : " + kAddOfClear,
              "File deleted : " + kFolder + "\\Bkp_qMonIniWriter_Addsection.ini"}}));
  EXPECT_THAT(FolderNames(),
              ElementsAre("qMonIniWriter_AddSection.ini", "qMonIniWriter_DeleteSection.ini"));
}

TEST_F(ClearSchedulesTest, PendingAddRequestUnderAnotherNameStays) {
  // Found by containment, but only an equal name is withdrawn.
  const std::string add = Section("1", Daily("C:\\Agent\\QSCC\\QPERFMON.EXE", "5"));
  machine.Put(kAddFile, add);
  EXPECT_EQ(Clear(), "");
  EXPECT_EQ(machine.Get(kAddFile), add);
  EXPECT_THAT(Logged(), ElementsAre(kSearchingAdd));
  EXPECT_EQ(machine.Get(kClearFile), "");
}

TEST_F(ClearSchedulesTest, ClearRequestFileTakenAwayMeanwhileIsMadeAgain) {
  machine.Put(kSchedulerIni, Section("Perf", kOffice));
  for (const int nth : {1, 2}) {
    SCOPED_TRACE(nth);
    machine.Put(kClearFile, Section("1", kA) + Section("3", kB));
    test::FileVanishes fs(machine.fs, kClearFile, nth);
    run.env.fs = run.objFSO = &fs;
    NewLines();
    EXPECT_EQ(Clear(), "");
    EXPECT_EQ(machine.Get(kClearFile), Section("1", kOfficeClear));
    std::vector<std::string> expected = {kSearching};
    if (nth == 1) expected.push_back("MSG : File not found : qMonIniWriter_DeleteSection.ini.");
    EXPECT_EQ(NewLines(), Lines({expected, {kCreating}, ClearLog("1", kOfficeClear)}));
    run.env.fs = run.objFSO = &machine.fs;
  }
}

TEST_F(ClearSchedulesTest, ClearRequestFileThatCannotBeMadeFailsTheCall) {
  test::CreateTextFails fs(machine.fs, kClearFile);
  run.env.fs = run.objFSO = &fs;
  machine.Put(kAddFile, Section("1", kPerf5));
  EXPECT_EQ(Clear(), " Failed to clean schedules.");
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kPerf5));
  EXPECT_THAT(Logged(), ElementsAre("ERR : 70 (Permission denied) in procedure ClearSchedules of "
                                    "Module modMain"));
}

}  // namespace
}  // namespace qmon
