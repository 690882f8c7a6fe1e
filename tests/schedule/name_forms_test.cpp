// The request files are named with varying capitals; on this platform every
// spelling must still reach the one add-request and the one clear-request file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "schedule/schedule.h"
#include "schedule/schedule_fixture.h"

namespace qmon::test {
namespace {

using ::testing::ElementsAre;

class NameFormsTest : public ScheduleTest {};

TEST_F(NameFormsTest, EverySpellingReachesTheSameTwoFiles) {
  const ScheduleEntry oldSchedule{kPerf, "-q", "00:01", "23:59", "60", "0,1,2,3,4,5,6"};
  const std::string addOnDisk = kFolder + "\\QMONINIWRITER_ADDSECTION.INI";
  const std::string clearOnDisk = kFolder + "\\qmoniniwriter_deletesection.ini";
  machine.Put(kSchedulerIni, Section("Perf", oldSchedule));
  machine.Put(addOnDisk, Section("1", kA) + Section("2", Daily(kPerf, "60")));
  machine.Put(clearOnDisk, Section("1", oldSchedule));

  // Searches "_Addsection" and "_Deletesection": finds the pending clear
  // request and rewrites the pending add request.
  std::string exe = kPerf;
  ScheduleEXE(run, exe, "5");
  EXPECT_EQ(machine.Get(addOnDisk), Section("1", kA) + Section("2", kPerf5) + "\r\n");
  EXPECT_EQ(machine.Get(clearOnDisk), Section("1", oldSchedule));
  EXPECT_EQ(NewLines(),
            Lines({{"MSG : Find the QSCC\\QPERFMON.EXE schedule from QavoScheduler.ini ",
                    "MSG : Schedule found in QavoScheduler.ini : QSCC\\QPERFMON.EXE"},
                   NewAddLog(kPerf, "2", kPerf5)}));

  // Writes "_DeleteSection" and cleans "_Addsection".
  EXPECT_EQ(ClearSchedules(run, kPerf), "");
  EXPECT_EQ(machine.Get(clearOnDisk), Section("1", oldSchedule) + "\r\n");
  EXPECT_EQ(NewLines(), Lines({{"MSG : Searching QSCC\\QPERFMON.EXE schedule in QavoScheduler.ini ",
                                "MSG : Schedule found for QSCC\\QPERFMON.EXE in "
                                "qMonIniWriter_DeleteSection.ini: 1",
                                "MSG : Creating Schedule for QSCC\\QPERFMON.EXE in "
                                "qMonIniWriter_DeleteSection.ini"},
                               ClearLog("1", oldSchedule)}));
  EXPECT_THAT(machine.List(kFolder),
              ElementsAre("QMONINIWRITER_ADDSECTION.INI", "qmoniniwriter_deletesection.ini"));

  // Searches and cleans "_AddSection", with the backup named after "_Addsection".
  machine.Remove(kSchedulerIni);
  EXPECT_EQ(ClearSchedules(run, kPerf), "");
  EXPECT_EQ(machine.Get(kAddOfClear), Section("1", kA) + "\r\n");
  EXPECT_EQ(NewLines(), WithdrawLog(kPerf, "2", true));
  // The rewrite made the add-request file anew under the spelling it used.
  EXPECT_THAT(machine.List(kFolder),
              ElementsAre("qMonIniWriter_AddSection.ini", "qmoniniwriter_deletesection.ini"));
}

}  // namespace
}  // namespace qmon::test
