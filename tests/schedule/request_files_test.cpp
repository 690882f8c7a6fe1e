#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "schedule/schedule.h"
#include "schedule/schedule_fixture.h"
#include "support/forwarding_fs.h"
#include "support/watching_log.h"

namespace qmon::test {
namespace {

using ::testing::ElementsAre;

class RequestFilesTest : public ScheduleTest {
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
  // What removing kB's entry from the add-request file logs.
  static std::vector<std::string> Removal(const std::string& section, bool rewritten = true) {
    return RemovalLog("QSCC\\B.EXE", kAddFile, section, rewritten);
  }
};

// ---- CreateSchedule ----------------------------------------------------------

TEST_F(RequestFilesTest, ModeChoosesTheRequestFile) {
  for (const auto& [mode, add] : {std::pair{"add", true}, {"DELETE", false}, {"ADD ", false}}) {
    SCOPED_TRACE(mode);
    machine.Remove(kAddFile);
    machine.Remove(kClearFile);
    EXPECT_TRUE(Create("1", kPerf5, mode));
    const std::string target = add ? kAddFile : kClearFile;
    EXPECT_EQ(machine.Get(target), Section("1", kPerf5));
    // The other file had nothing to give up and is not created for it.
    EXPECT_FALSE(machine.Exists(add ? kClearFile : kAddFile));
    EXPECT_EQ(NewLines(), RequestLog(add, "1", kPerf5, target));
  }
}

// The scheduler finds the request file as it was or with the whole entry,
// never with part of it.
TEST_F(RequestFilesTest, EntryReachesTheFileWhole) {
  const std::string old = Section("1", kA);
  machine.Put(kAddFile, old);
  std::vector<std::string> seen;
  run.objLogStream = std::make_unique<WatchingLog>(run, machine, kAddFile, seen);
  EXPECT_TRUE(Create("2", kPerf5, "ADD"));
  EXPECT_EQ(seen, std::vector<std::string>(7, old));  // the request line and six writes
  EXPECT_EQ(machine.Get(kAddFile), old + Section("2", kPerf5));
}

TEST_F(RequestFilesTest, AddRequestFirstTakesTheEqualClearRequestOut) {
  machine.Put(kClearFile, Section("1", kA) + Section("2", kPerf5) + Section("3", kB));
  EXPECT_TRUE(Create("7", kPerf5, "ADD"));
  EXPECT_EQ(machine.Get(kClearFile), Section("1", kA) + Section("2", kB) + "\r\n");
  EXPECT_EQ(machine.Get(kAddFile), Section("7", kPerf5));
  EXPECT_EQ(Logged(), Lines({RemovalLog(kPerf, kClearOfAdd, "2", true), AddLog("7", kPerf5)}));
  // The rewrite created the clear-request file anew under the spelling it used.
  EXPECT_THAT(machine.List(kFolder),
              ElementsAre("qMonIniWriter_Addsection.ini", "qMonIniWriter_Deletesection.ini"));
}

TEST_F(RequestFilesTest, ClearRequestFirstTakesTheEqualAddRequestOut) {
  machine.Put(kAddFile, Section("3", kB));
  EXPECT_TRUE(Create("1", kB, "DELETE"));
  EXPECT_EQ(machine.Get(kAddFile), "");  // its only entry gone, no rewrite, no backup
  EXPECT_EQ(machine.Get(kClearFile), Section("1", kB));
  EXPECT_EQ(Logged(), Lines({Removal("3", false), ClearLog("1", kB)}));
}

TEST_F(RequestFilesTest, WritingIntoAnExistingSectionChangesOnlyItsKeys) {
  const std::string old = "[2]\r\nExecutableName=QSCC\\QPERFMON.EXE\r\nNote=kept\r\nInterval=";
  machine.Put(kAddFile, Section("1", kA) + old + "60\r\n" + Section("3", kC));
  EXPECT_TRUE(Create("2", kPerf5, "ADD"));
  EXPECT_EQ(machine.Get(kAddFile),
            Section("1", kA) + old +
                "5\r\nParameter=\r\nStartTime=00:01\r\nEndTime=23:59\r\nWeekdays=0,1,2,3,4,5,6"
                "\r\n\r\n" +
                Section("3", kC));
  EXPECT_EQ(Logged(), AddLog("2", kPerf5));
}

// ---- RemoveSchedule ------------------------------------------------------------

TEST_F(RequestFilesTest, RemovalRenumbersTheEntriesLeft) {
  // Keys beyond the six and the old numbers do not survive the rewrite.
  machine.Put(kAddFile, "[10]\r\nNote=dropped\r\n" + Section("x", kA).substr(5) +
                            Section("20", kB) + Section("7", kC));
  EXPECT_TRUE(Remove(kB));
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kA) + Section("2", kC) + "\r\n");
  EXPECT_EQ(Logged(), Removal("20"));
  EXPECT_FALSE(machine.Exists(kFolder + "\\Bkp_qMonIniWriter_Addsection.ini"));
}

TEST_F(RequestFilesTest, OnlyTheExecutableNameIsForgivenBlanks) {
  // Quotes keep the blanks of a stored value; the arguments are taken as given.
  const std::string stored =
      "[1]\r\nExecutableName=\" qscc\\b.exe \"\r\nParameter=\" -X\"\r\nStartTime=00:01pm\r\n"
      "EndTime=23:59\r\nInterval=15\r\nWeekdays=0\r\n\r\n";
  const std::pair<ScheduleEntry, bool> cases[] = {
      {{"QSCC\\B.EXE", " -x", "00:01PM", "23:59", "15", "0"}, true},
      {{" QSCC\\B.EXE", " -x", "00:01PM", "23:59", "15", "0"}, false},
      {{"QSCC\\B.EXE", "-x", "00:01PM", "23:59", "15", "0"}, false},
      {{"QSCC\\B.EXE", " -x", "00:01PM", "23:59", "015", "0"}, false},
  };
  for (const auto& [args, equal] : cases) {
    SCOPED_TRACE(args.ExecutableName + "|" + args.Parameter + "|" + args.Interval);
    machine.Put(kAddFile, stored);
    EXPECT_TRUE(Remove(args));
    EXPECT_EQ(machine.Get(kAddFile), equal ? "" : stored);
    EXPECT_EQ(NewLines(), equal ? Removal("1", false) : std::vector<std::string>{});
  }
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
  CreateTextFails fs(machine.fs, kAddFile);
  run.env.fs = run.objFSO = &fs;
  EXPECT_TRUE(Remove(kB));
  // Back as the section removal left it: old numbers, no rewrite.
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kA) + Section("3", kC));
  EXPECT_EQ(Logged(), Removal("2"));
  EXPECT_FALSE(machine.Exists(kFolder + "\\Bkp_qMonIniWriter_Addsection.ini"));
}

TEST_F(RequestFilesTest, RuntimeErrorStopsTheRemovalWhereItStands) {
  machine.Put(kAddFile, Section("1", kA) + Section("2", kB) + Section("3", kC));
  machine.MakeFolder(kFolder + "\\Bkp_qMonIniWriter_Addsection.ini");  // no backup can be made
  EXPECT_FALSE(Remove(kB));
  EXPECT_EQ(machine.Get(kAddFile), Section("1", kA) + Section("3", kC));
  EXPECT_EQ(Logged(), Removal("2", false));
  EXPECT_EQ(run.StrRemArray.size(), 2u);
}

TEST_F(RequestFilesTest, OddFilesAreRewrittenInTheRequestLayout) {
  const ScheduleEntry longA{"QSCC\\A.EXE", std::string(300, 'p'), "08:00", "18:00", "60", "1"};
  const auto crOnly = [](std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at + 1, 1);
    return text;
  };
  const struct {
    const char* what;
    std::string before, section, after;  // section: where kB stands
  } cases[] = {
      {"CR-only line ends", crOnly(Section("1", kA) + Section("2", kB)), "2",
       Section("1", kA) + "\r\n"},
      {"missing keys and blanks around values",
       "[4]\r\nExecutableName=  QSCC\\C.EXE \r\nWeekDays= 6\r\n" + Section("5", kB), "5",
       "[1]\r\nExecutableName=QSCC\\C.EXE\r\nParameter=\r\nStartTime=\r\nEndTime=\r\n"
       "Interval=\r\nWeekdays=6\r\n\r\n\r\n"},
      {"a value longer than the short read", Section("1", longA) + Section("2", kB), "2",
       Section("1", longA) + "\r\n"},
      {"a section header twice: the first is the one read and removed",
       Section("1", kB) + Section("1", kA) + Section("2", kC), "1",
       Section("1", kA) + Section("2", kC) + "\r\n"},
      {"two equal entries: only the first goes",
       Section("1", kB) + Section("2", kA) + Section("3", kB), "1",
       Section("1", kA) + Section("2", kB) + "\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    machine.Put(kAddFile, c.before);
    EXPECT_TRUE(Remove(kB));
    EXPECT_EQ(machine.Get(kAddFile), c.after);
    EXPECT_EQ(NewLines(), Removal(c.section));
  }
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
}  // namespace qmon::test
