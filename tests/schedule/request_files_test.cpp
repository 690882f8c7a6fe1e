#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "schedule/schedule.h"
#include "schedule/schedule_fixture.h"
#include "support/forwarding_fs.h"

namespace qmon {
namespace {

using test::AddLog;
using test::ClearLog;
using test::Daily;
using test::kAddFile;
using test::kClearFile;
using test::kFolder;
using test::kPerf;
using test::Lines;
using test::Section;
using ::testing::ElementsAre;

const ScheduleEntry kA{"QSCC\\A.EXE", "-a", "08:00", "18:00", "60", "1,2,3,4,5"};
const ScheduleEntry kB{"QSCC\\B.EXE", "", "00:01", "23:59", "15", "0"};
const ScheduleEntry kC{"QSCC\\C.EXE", "/c", "06:00", "07:00", "1", "6"};
const std::string kAddBackup = kFolder + "\\Bkp_qMonIniWriter_Addsection.ini";

class RequestFilesTest : public test::ScheduleTest {
 protected:
  bool Create(const std::string& section, const ScheduleEntry& e, const std::string& mode) {
    return CreateSchedule(run, section, e.ExecutableName, e.Parameter, e.StartTime, e.EndTime,
                          e.Interval, e.WeekDays, mode);
  }
  bool Remove(const ScheduleEntry& e, const std::string& file = kAddFile,
              const std::string& name = "qMonIniWriter_Addsection.ini") {
    return RemoveSchedule(run, e.ExecutableName, e.Parameter, e.StartTime, e.EndTime, e.Interval,
                          e.WeekDays, file, name);
  }
  // What a successful rewrite of the add-request file logs after the removal.
  static std::vector<std::string> RemovalLog(const std::string& section) {
    return {"MSG : Remove schedule [ QSCC\\B.EXE ] from " + kAddFile,
            "MSG : Deleting section " + section + " from QavoScheduler.ini"};
  }
};

// ---- CreateSchedule ----------------------------------------------------------

struct ModeCase {
  const char* mode;
  bool add;
};

class CreateScheduleModeTest : public RequestFilesTest,
                               public ::testing::WithParamInterface<ModeCase> {};

TEST_P(CreateScheduleModeTest, ModeChoosesTheRequestFile) {
  const ScheduleEntry perf = Daily(kPerf, "5");
  EXPECT_TRUE(Create("1", perf, GetParam().mode));
  const std::string target = GetParam().add ? kAddFile : kClearFile;
  EXPECT_EQ(machine.Get(target), Section("1", perf));
  // The other file had nothing to give up and is not created for it.
  EXPECT_FALSE(machine.Exists(GetParam().add ? kClearFile : kAddFile));
  EXPECT_EQ(Logged(), test::RequestLog(GetParam().add, "1", perf, target));
}

INSTANTIATE_TEST_SUITE_P(Modes, CreateScheduleModeTest,
                         ::testing::Values(ModeCase{"ADD", true}, ModeCase{"add", true},
                                           ModeCase{"Add", true}, ModeCase{"DELETE", false},
                                           ModeCase{"", false}, ModeCase{"ADD ", false}));

TEST_F(RequestFilesTest, AddRequestFirstTakesTheEqualClearRequestOut) {
  const ScheduleEntry perf = Daily(kPerf, "5");
  machine.Put(kClearFile, Section("1", kA) + Section("2", perf) + Section("3", kB));
  EXPECT_TRUE(Create("7", perf, "ADD"));
  EXPECT_EQ(machine.Get(kClearFile), Section("1", kA) + Section("2", kB) + "\r\n");
  EXPECT_EQ(machine.Get(kAddFile), Section("7", perf));
  const std::string cleaned = kFolder + "\\qMonIniWriter_Deletesection.ini";
  EXPECT_EQ(Logged(),
            Lines({{"MSG : Remove schedule [ QSCC\\QPERFMON.EXE ] from " + cleaned,
                    "MSG : Deleting section 2 from QavoScheduler.ini", "File deleted : " + cleaned,
                    "File deleted : " + kFolder + "\\Bkp_qMonIniWriter_Deletesection.ini"},
                   AddLog("7", perf)}));
  // The rewrite created the clear-request file anew under the spelling it used.
  EXPECT_THAT(FolderNames(),
              ElementsAre("qMonIniWriter_Addsection.ini", "qMonIniWriter_Deletesection.ini"));
}

TEST_F(RequestFilesTest, ClearRequestFirstTakesTheEqualAddRequestOut) {
  machine.Put(kAddFile, Section("3", kB));
  EXPECT_TRUE(Create("1", kB, "DELETE"));
  EXPECT_EQ(machine.Get(kAddFile), "");  // its only entry gone, no rewrite, no backup
  EXPECT_EQ(machine.Get(kClearFile), Section("1", kB));
  EXPECT_EQ(Logged(), Lines({{"MSG : Remove schedule [ QSCC\\B.EXE ] from " + kAddFile,
                              "MSG : Deleting section 3 from QavoScheduler.ini"},
                             ClearLog("1", kB)}));
}

TEST_F(RequestFilesTest, WritingIntoAnExistingSectionChangesOnlyItsKeys) {
  const std::string old =
      "[2]\r\nExecutableName=QSCC\\QPERFMON.EXE\r\nNote=kept\r\nInterval=60\r\n";
  machine.Put(kAddFile, Section("1", kA) + old + Section("3", kC));
  const ScheduleEntry perf = Daily(kPerf, "5");
  EXPECT_TRUE(Create("2", perf, "ADD"));
  EXPECT_EQ(machine.Get(kAddFile),
            Section("1", kA) +
                "[2]\r\nExecutableName=QSCC\\QPERFMON.EXE\r\nNote=kept\r\nInterval=5\r\n"
                "Parameter=\r\nStartTime=00:01\r\nEndTime=23:59\r\nWeekdays=0,1,2,3,4,5,6\r\n\r\n" +
                Section("3", kC));
  EXPECT_EQ(Logged(), AddLog("2", perf));
}

// ---- RemoveSchedule ------------------------------------------------------------

TEST_F(RequestFilesTest, RemovalRenumbersTheEntriesLeft) {
  // Keys beyond the six and the old numbers do not survive the rewrite.
  machine.Put(kAddFile, "[10]\r\nNote=dropped\r\n" + Section("x", kA).substr(5) +
                            Section("20", kB) + Section("7", kC));
  EXPECT_TRUE(Remove(kB));
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kA) + Section("2", kC) + "\r\n");
  EXPECT_EQ(Logged(), Lines({RemovalLog("20"),
                             {"File deleted : " + kAddFile, "File deleted : " + kAddBackup}}));
  EXPECT_FALSE(machine.Exists(kAddBackup));
  EXPECT_EQ(run.lngStrRemArrayUBound, 1);
  EXPECT_EQ(run.StrRemArray.size(), 2u);
}

TEST_F(RequestFilesTest, OnlyTheExecutableNameIsForgivenBlanks) {
  // Quotes keep the blanks of a stored value; the arguments are taken as given.
  const std::string stored =
      "[1]\r\nExecutableName=\" qscc\\b.exe \"\r\nParameter=\" -X\"\r\nStartTime=00:01pm\r\n"
      "EndTime=23:59\r\nInterval=15\r\nWeekdays=0\r\n\r\n";
  struct Case {
    ScheduleEntry args;
    bool equal;
  };
  const Case cases[] = {
      {{"QSCC\\B.EXE", " -x", "00:01PM", "23:59", "15", "0"}, true},
      {{"qscc\\b.exe", " -X", "00:01pm", "23:59", "15", "0"}, true},
      {{" QSCC\\B.EXE", " -x", "00:01PM", "23:59", "15", "0"}, false},
      {{"QSCC\\B.EXE", "-x", "00:01PM", "23:59", "15", "0"}, false},
      {{"QSCC\\B.EXE", " -x", "00:01PM", "23:59", "15", "0,"}, false},
      {{"QSCC\\B.EXE", " -x", "00:01PM", "23:59", "015", "0"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.ExecutableName + "|" + c.args.Parameter + "|" + c.args.WeekDays);
    machine.Put(kAddFile, stored);
    NewLines();
    EXPECT_TRUE(Remove(c.args));
    EXPECT_EQ(machine.Get(kAddFile), c.equal ? "" : stored);
    const std::vector<std::string> removal = {
        "MSG : Remove schedule [ QSCC\\B.EXE ] from " + kAddFile,
        "MSG : Deleting section 1 from QavoScheduler.ini"};
    EXPECT_EQ(NewLines(), c.equal ? removal : std::vector<std::string>{});
  }
}

TEST_F(RequestFilesTest, OnlyTheFirstOfTwoEqualEntriesGoes) {
  machine.Put(kAddFile, Section("1", kB) + Section("2", kA) + Section("3", kB));
  EXPECT_TRUE(Remove(kB));
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kA) + Section("2", kB) + "\r\n");
  EXPECT_EQ(Logged(), Lines({RemovalLog("1"),
                             {"File deleted : " + kAddFile, "File deleted : " + kAddBackup}}));
}

TEST_F(RequestFilesTest, WithoutAnEqualEntryTheFileStaysByteForByte) {
  const std::string odd =
      "; pending\n[7]\nexecutablename = QSCC\\B.EXE\nInterval=16\n\n[x]\r\nk=v\r\n";
  machine.Put(kAddFile, odd);
  EXPECT_TRUE(Remove(kB));
  EXPECT_EQ(machine.Get(kAddFile), odd);
  EXPECT_FALSE(Remove(kB, kFolder + "\\missing.ini", "missing.ini"));
  EXPECT_TRUE(Logged().empty());
}

TEST_F(RequestFilesTest, FailedRewriteIsUndoneFromTheBackup) {
  machine.Put(kAddFile, Section("1", kA) + Section("2", kB) + Section("3", kC));
  test::CreateTextFails fs(machine.fs, kAddFile);
  run.env.fs = run.objFSO = &fs;
  EXPECT_TRUE(Remove(kB));
  // Back as the section removal left it: old numbers, no rewrite.
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kA) + Section("3", kC));
  EXPECT_EQ(Logged(), Lines({RemovalLog("2"),
                             {"File deleted : " + kAddFile, "File deleted : " + kAddBackup}}));
  EXPECT_FALSE(machine.Exists(kAddBackup));
}

TEST_F(RequestFilesTest, RuntimeErrorStopsTheRemovalWhereItStands) {
  machine.Put(kAddFile, Section("1", kA) + Section("2", kB) + Section("3", kC));
  machine.MakeFolder(kAddBackup);  // the backup cannot be made
  EXPECT_FALSE(Remove(kB));
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kA) + Section("3", kC));
  EXPECT_EQ(Logged(), RemovalLog("2"));
  EXPECT_EQ(run.StrRemArray.size(), 2u);
}

TEST_F(RequestFilesTest, OddFilesAreRewrittenInTheRequestLayout) {
  const std::string longValue(300, 'p');
  struct Case {
    const char* what;
    std::string before;
    std::string section;  // where kB stands
    std::string after;
  };
  const Case cases[] = {
      {"CR-only line ends",
       "[1]\rExecutableName=QSCC\\A.EXE\rParameter=-a\rStartTime=08:00\rEndTime=18:00\r"
       "Interval=60\rWeekdays=1,2,3,4,5\r\r[2]\rExecutableName=QSCC\\B.EXE\rParameter=\r"
       "StartTime=00:01\rEndTime=23:59\rInterval=15\rWeekdays=0\r",
       "2", Section("1", kA) + "\r\n"},
      {"missing keys and blanks around values",
       "[4]\r\nExecutableName=  QSCC\\C.EXE \r\nWeekDays= 6\r\n" + Section("5", kB), "5",
       "[1]\r\nExecutableName=QSCC\\C.EXE\r\nParameter=\r\nStartTime=\r\nEndTime=\r\n"
       "Interval=\r\nWeekdays=6\r\n\r\n\r\n"},
      {"a value longer than the short read",
       Section("1", {"QSCC\\A.EXE", longValue, "08:00", "18:00", "60", "1,2,3,4,5"}) +
           Section("2", kB),
       "2", Section("1", {"QSCC\\A.EXE", longValue, "08:00", "18:00", "60", "1,2,3,4,5"}) + "\r\n"},
      {"a section header twice: the first is the one read and removed",
       Section("1", kB) + Section("1", kA) + Section("2", kC), "1",
       Section("1", kA) + Section("2", kC) + "\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    machine.Put(kAddFile, c.before);
    NewLines();
    EXPECT_TRUE(Remove(kB));
    EXPECT_EQ(machine.Get(kAddFile), c.after);
    EXPECT_EQ(NewLines(), Lines({RemovalLog(c.section),
                                 {"File deleted : " + kAddFile, "File deleted : " + kAddBackup}}));
  }
}

TEST_F(RequestFilesTest, ArrayBoundIsSetOnlyForItsOwnName) {
  run.StrRemArray.assign(3, ScheduleEntry{});
  GetArrayUBound(run, "strRemArray");
  EXPECT_EQ(run.lngStrRemArrayUBound, -1);
  GetArrayUBound(run, "StrRemArray");
  EXPECT_EQ(run.lngStrRemArrayUBound, 2);
  run.StrRemArray.clear();
  GetArrayUBound(run, "StrRemArray");
  EXPECT_EQ(run.lngStrRemArrayUBound, -1);
}

// ---- WriteTextFile -----------------------------------------------------------

TEST_F(RequestFilesTest, TextFileIsReplacedWholeWithOneLineEnd) {
  const std::string file = kFolder + "\\notes.txt";
  machine.Put(file, std::string(100, 'o'));
  EXPECT_TRUE(WriteTextFile(run, file, "a\r\nb"));
  EXPECT_EQ(machine.Get(file), "a\r\nb\r\n");
  EXPECT_TRUE(WriteTextFile(run, kFolder + "\\new.txt", ""));
  EXPECT_EQ(machine.Get(kFolder + "\\new.txt"), "\r\n");
  EXPECT_FALSE(WriteTextFile(run, "C:\\Agent\\NoFolder\\x.txt", "x"));
  EXPECT_FALSE(WriteTextFile(run, file, "\xE6\x97\xA5"));  // no ANSI form
  EXPECT_EQ(machine.Get(file), "");
  EXPECT_THAT(Logged(), ElementsAre("File deleted : " + file, "File deleted : " + file));
}

}  // namespace
}  // namespace qmon
