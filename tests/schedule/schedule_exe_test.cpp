#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "schedule/schedule.h"
#include "schedule/schedule_fixture.h"
#include "support/forwarding_fs.h"

namespace qmon::test {
namespace {

using ::testing::ElementsAre;

const ScheduleEntry kPerf60 = Daily(kPerf, "60");
const std::string kFind = "MSG : Find the QSCC\\QPERFMON.EXE schedule from QavoScheduler.ini ";
const std::string kFound = "MSG : Schedule found in QavoScheduler.ini : QSCC\\QPERFMON.EXE";

class ScheduleExeTest : public ScheduleTest {
 protected:
  void Schedule(const std::string& interval, std::string exe = "QSCC\\QPERFMON.EXE") {
    ScheduleEXE(run, exe, interval);
    EXPECT_EQ(exe, "QSCC\\QPERFMON.EXE");
  }
  // The scheduler's entry for the performance monitor, under its full path.
  static std::string SchedulerEntry(const std::string& start, const std::string& end,
                                    const std::string& interval, const std::string& days) {
    return "[Backup]\r\nExecutableName=C:\\Agent\\qBackup.exe\r\nInterval=5\r\n" +
           Section("Perf", {"C:\\Agent\\qscc\\QPerfMon.exe", "-q", start, end, interval, days});
  }
};

TEST_F(ScheduleExeTest, RightScheduleAtTheSchedulerFilesNothing) {
  machine.Put(kSchedulerIni, SchedulerEntry("00:01", "23:59", "5", "0,1,2,3,4,5,6"));
  Schedule("5", "qscc\\qperfmon.exe");
  EXPECT_EQ(machine.Get(kAddFile), "");  // made sure to exist, nothing more
  EXPECT_FALSE(machine.Exists(kClearFile));
  EXPECT_THAT(Logged(), ElementsAre(kFind, kFound,
                                    "MSG : Right [ QSCC\\QPERFMON.EXE ] schedule values found in "
                                    "QavoScheduler.ini, No need to add the sechdule in "
                                    "qMonIniWriter_Addsection.ini",
                                    "MSG : Schedule already exists in qavoscheduler.ini for : "
                                    "QSCC\\QPERFMON.EXE"));
}

TEST_F(ScheduleExeTest, WrongIntervalAtTheSchedulerIsClearedThenAdded) {
  // Only the first entry that names the monitor counts, a full path included.
  machine.Put(kSchedulerIni, Section("Event", Daily("C:\\Agent\\QSCC\\QDSKEVTLOG.EXE", "5")) +
                                 Section("Old", Daily("D:\\qscc\\qperfmon.exe.bak", "60")) +
                                 Section("Perf", kPerf5));
  // The clear request goes behind the last section, not the highest.
  machine.Put(kClearFile, Section("7", kA) + Section("2", kB));
  Schedule("5");
  EXPECT_EQ(machine.Get(kClearFile), Section("7", kA) + Section("2", kB) + Section("3", kPerf60));
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kPerf5));
  EXPECT_EQ(Logged(),
            Lines({{kFind, kFound}, ClearLog("3", kPerf60), NewAddLog(kPerf, "1", kPerf5)}));
}

TEST_F(ScheduleExeTest, OtherWindowIsClearedWithTheValuesTheAddRequestThenTakesBack) {
  for (const auto& scheduler : {SchedulerEntry("08:00", "23:59", "5", "0,1,2,3,4,5,6"),
                                SchedulerEntry("00:01", "18:00", "5", "0,1,2,3,4,5,6"),
                                SchedulerEntry("00:01", "23:59", "5", "1,2,3,4,5")}) {
    SCOPED_TRACE(scheduler);
    machine.Remove(kAddFile);
    machine.Remove(kClearFile);
    machine.Put(kSchedulerIni, scheduler);
    Schedule("5");
    EXPECT_EQ(machine.Get(kClearFile), "");
    EXPECT_EQ(machine.Get(kAddFile), Section("1", kPerf5));
    const auto newAdd = NewAddLog(kPerf, "1", kPerf5);
    EXPECT_EQ(NewLines(), Lines({{kFind, kFound},
                                 ClearLog("1", kPerf5),
                                 {newAdd[0], newAdd[1]},
                                 RemovalLog(kPerf, kClearOfAdd, "1", false),
                                 AddLog("1", kPerf5)}));
  }
}

TEST_F(ScheduleExeTest, PendingClearRequestForTheOldScheduleIsNotFiledTwice) {
  machine.Put(kSchedulerIni, SchedulerEntry("00:01", "23:59", "60", "0,1,2,3,4,5,6"));
  // Blanks and letter case do not hide the pending request; the Parameter the
  // scheduler holds is what is looked for.
  const std::string clear =
      Section("2", kA) +
      "[3]\r\nExecutableName=\" qscc\\qperfmon.exe \"\r\nParameter=-Q\r\n"
      "StartTime=00:01\r\nEndTime=23:59\r\nInterval=60\r\nWeekdays=0,1,2,3,4,5,6\r\n";
  machine.Put(kClearFile, clear);
  Schedule("5");
  EXPECT_EQ(machine.Get(kClearFile), clear);
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kPerf5));
  EXPECT_EQ(Logged(), Lines({{kFind, kFound}, NewAddLog(kPerf, "1", kPerf5)}));
}

TEST_F(ScheduleExeTest, RightPendingAddRequestStaysAndLosesItsClearTwin) {
  const std::string add =
      Section("1", kA) +
      "[2]\r\nExecutableName=\" qscc\\qperfmon.exe \"\r\nParameter=\r\n"
      "StartTime=00:01\r\nEndTime=23:59\r\nInterval=5\r\nWeekdays=0,1,2,3,4,5,6\r\n";
  machine.Put(kAddFile, add);
  machine.Put(kClearFile, Section("1", kPerf5) + Section("2", kB));
  Schedule("5");
  EXPECT_EQ(machine.Get(kAddFile), add);
  EXPECT_EQ(machine.Get(kClearOfAdd), Section("1", kB) + "\r\n");
  EXPECT_EQ(Logged(), Lines({{kNoScheduler}, RemovalLog(kPerf, kClearOfAdd, "1", true)}));
}

TEST_F(ScheduleExeTest, PendingAddRequestWithAnotherIntervalIsRewrittenInPlace) {
  machine.Put(kAddFile, Section("1", kA) + Section("2", kPerf60) + Section("9", kB));
  Schedule("5");
  // The line end of the new Weekdays value comes on top of the old empty line.
  EXPECT_EQ(machine.Get(kAddFile),
            Section("1", kA) + Section("2", kPerf5) + "\r\n" + Section("9", kB));
  EXPECT_EQ(Logged(), Lines({{kNoScheduler}, NewAddLog(kPerf, "2", kPerf5)}));
}

TEST_F(ScheduleExeTest, NewAddRequestGoesBehindTheHighestNumber) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"5", "2"}, "6"}, {{"x", "3abc", "2"}, "4"}, {{"07"}, "8"}};
  for (const auto& [sections, next] : cases) {
    SCOPED_TRACE(next);
    std::string add;
    for (const auto& name : sections) add += Section(name, kB);
    // The whole value must be the name: a full path is another program here.
    add += Section("0", Daily("C:\\Agent\\QSCC\\QPERFMON.EXE", "5"));
    machine.Put(kAddFile, add);
    Schedule("5");
    EXPECT_EQ(machine.Get(kAddFile), add + Section(next, kPerf5));
    EXPECT_EQ(NewLines(), Lines({{kNoScheduler}, NewAddLog(kPerf, next, kPerf5)}));
  }
}

TEST_F(ScheduleExeTest, SchedulerEntryWithoutValuesIsClearedWithAnEmptyInterval) {
  machine.Put(kSchedulerIni, "[Perf]\r\nExecutableName=QSCC\\QPERFMON.EXE\r\n");
  Schedule("60");
  const ScheduleEntry noInterval = Daily(kPerf, "");
  EXPECT_EQ(machine.Get(kClearFile), Section("1", noInterval));
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kPerf60));
  EXPECT_EQ(Logged(),
            Lines({{kFind, kFound}, ClearLog("1", noInterval), NewAddLog(kPerf, "1", kPerf60)}));
}

TEST_F(ScheduleExeTest, ClearRequestBehindASectionNotNamedByANumberFails) {
  machine.Put(kSchedulerIni, SchedulerEntry("00:01", "23:59", "60", "0,1,2,3,4,5,6"));
  const std::string clear = Section("1", kA) + Section("old", kB);
  machine.Put(kClearFile, clear);
  Schedule("5");
  EXPECT_EQ(machine.Get(kClearFile), clear);
  EXPECT_EQ(machine.Get(kAddFile), "");
  EXPECT_THAT(Logged(), ElementsAre(kFind, kFound,
                                    "ERR : 13 (Type mismatch) in procedure ScheduleEXE of Module "
                                    "modMain"));
}

TEST_F(ScheduleExeTest, AddRequestFileTakenAwayMeanwhileIsMadeAgain) {
  // The scheduler consumes the file after the first or the second look at it.
  for (const int nth : {1, 2}) {
    SCOPED_TRACE(nth);
    machine.Put(kAddFile, Section("1", kA) + Section("4", kB));
    FileVanishes fs(machine.fs, kAddFile, nth);
    run.env.fs = run.objFSO = &fs;
    Schedule("5");
    EXPECT_EQ(machine.Get(kAddFile), Section("1", kPerf5));
    std::vector<std::string> expected = {kNoScheduler};
    if (nth == 1) expected.push_back("MSG : File not found : qMonIniWriter_Addsection.ini ");
    EXPECT_EQ(NewLines(), Lines({expected, NewAddLog(kPerf, "1", kPerf5)}));
    run.env.fs = run.objFSO = &machine.fs;
  }
}

TEST_F(ScheduleExeTest, AddRequestFileThatCannotBeMadeEndsTheCall) {
  CreateTextFails fs(machine.fs, kAddFile);
  run.env.fs = run.objFSO = &fs;
  std::string exe = "qscc\\qperfmon.exe";
  ScheduleEXE(run, exe, "5");
  EXPECT_EQ(exe, "qscc\\qperfmon.exe");  // ended before the name was changed
  EXPECT_FALSE(machine.Exists(kAddFile));
  EXPECT_THAT(Logged(), ElementsAre("ERR : 70 (Permission denied) in procedure ScheduleEXE of "
                                    "Module modMain"));
}

}  // namespace
}  // namespace qmon::test
