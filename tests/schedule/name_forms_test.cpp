// The request files are named with varying capitals; on this platform every
// spelling must still reach the one add-request and the one clear-request file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "schedule/schedule.h"
#include "schedule/schedule_fixture.h"

namespace qmon {
namespace {

using test::Daily;
using test::kFolder;
using test::kPerf;
using test::kSchedulerIni;
using test::Lines;
using test::RequestLog;
using test::Section;
using ::testing::ElementsAre;

class NameFormsTest : public test::ScheduleTest {};

TEST_F(NameFormsTest, EverySpellingReachesTheSameTwoFiles) {
  const ScheduleEntry a{"QSCC\\A.EXE", "-a", "08:00", "18:00", "60", "1,2,3,4,5"};
  const ScheduleEntry oldSchedule{kPerf, "-q", "00:01", "23:59", "60", "0,1,2,3,4,5,6"};
  const ScheduleEntry perf5 = Daily(kPerf, "5");
  const std::string addOnDisk = kFolder + "\\QMONINIWRITER_ADDSECTION.INI";
  const std::string clearOnDisk = kFolder + "\\qmoniniwriter_deletesection.ini";
  machine.Put(kSchedulerIni, Section("Perf", oldSchedule));
  machine.Put(addOnDisk, Section("1", a) + Section("2", Daily(kPerf, "60")));
  machine.Put(clearOnDisk, Section("1", oldSchedule));

  // Searches "_Addsection" and "_Deletesection": finds the pending clear
  // request and rewrites the pending add request.
  std::string exe = kPerf;
  ScheduleEXE(run, exe, "5");
  EXPECT_EQ(machine.Get(addOnDisk), Section("1", a) + Section("2", perf5) + "\r\n");
  EXPECT_EQ(machine.Get(clearOnDisk), Section("1", oldSchedule));
  EXPECT_EQ(NewLines(),
            Lines({{"MSG : Find the QSCC\\QPERFMON.EXE schedule from QavoScheduler.ini ",
                    "MSG : Schedule found in QavoScheduler.ini : QSCC\\QPERFMON.EXE",
                    "MSG : Schedule not found for QSCC\\QPERFMON.EXE in "
                    "qMonIniWriter_Addsection.ini",
                    "MSG : Creating Schedule for QSCC\\QPERFMON.EXE"},
                   RequestLog(true, "2", perf5, kFolder + "\\qMonIniWriter_Addsection.ini")}));

  // Writes "_DeleteSection" and cleans "_Addsection".
  EXPECT_EQ(ClearSchedules(run, kPerf), "");
  EXPECT_EQ(machine.Get(clearOnDisk), Section("1", oldSchedule) + "\r\n");
  EXPECT_EQ(
      NewLines(),
      Lines({{"MSG : Searching QSCC\\QPERFMON.EXE schedule in QavoScheduler.ini ",
              "MSG : Schedule found for QSCC\\QPERFMON.EXE in "
              "qMonIniWriter_DeleteSection.ini: 1",
              "MSG : Creating Schedule for QSCC\\QPERFMON.EXE in "
              "qMonIniWriter_DeleteSection.ini"},
             RequestLog(false, "1", oldSchedule, kFolder + "\\qMonIniWriter_DeleteSection.ini")}));
  EXPECT_THAT(FolderNames(),
              ElementsAre("QMONINIWRITER_ADDSECTION.INI", "qmoniniwriter_deletesection.ini"));

  // Searches and cleans "_AddSection", with the backup named after "_Addsection".
  std::filesystem::remove(machine.Native(kSchedulerIni));
  EXPECT_EQ(ClearSchedules(run, kPerf), "");
  const std::string addOfClear = kFolder + "\\qMonIniWriter_AddSection.ini";
  EXPECT_EQ(machine.Get(addOfClear), Section("1", a) + "\r\n");
  EXPECT_THAT(
      NewLines(),
      ElementsAre("MSG : Searching QSCC\\QPERFMON.EXE schedule in "
                  "qMonIniWriter_AddSection.ini, If found , remove the schedule from "
                  "qMonIniWriter_AddSection.ini",
                  "MSG : Remove schedule [ QSCC\\QPERFMON.EXE ] from " + addOfClear,
                  "MSG : Deleting section 2 from QavoScheduler.ini", "File deleted : " + addOfClear,
                  "File deleted : " + kFolder + "\\Bkp_qMonIniWriter_Addsection.ini"));
  // The rewrite made the add-request file anew under the spelling it used.
  EXPECT_THAT(FolderNames(),
              ElementsAre("qMonIniWriter_AddSection.ini", "qmoniniwriter_deletesection.ini"));
}

}  // namespace
}  // namespace qmon
