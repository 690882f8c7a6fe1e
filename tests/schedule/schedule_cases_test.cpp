#include <gtest/gtest.h>

#include "log/cases.h"
#include "schedule/schedule.h"
#include "support/watching_log.h"

namespace qmon::test {
namespace {

const std::map<std::string, Procedure> kProcedures = {
    {"ScheduleEXE",
     [](AgentRun& r, const std::vector<std::string>& a) {
       std::string exe = a[0];
       ScheduleEXE(r.run, exe, a[1]);
       return exe;
     }},
    {"ClearSchedules",
     [](AgentRun& r, const std::vector<std::string>& a) {
       return "\"" + ClearSchedules(r.run, a[0]) + "\"";
     }},
    {"CreateSchedule",
     [](AgentRun& r, const std::vector<std::string>& a) {
       return YesNo(CreateSchedule(r.run, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]));
     }},
    {"RemoveSchedule",
     [](AgentRun& r, const std::vector<std::string>& a) {
       return YesNo(RemoveSchedule(r.run, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]));
     }},
    {"WriteTextFile", [](AgentRun& r, const std::vector<std::string>& a) {
       return YesNo(WriteTextFile(r.run, a[0], a[1]));
     }}};

TEST(ScheduleCases, All) {
  RunCases("schedule_cases.txt",
#include "schedule/schedule_cases.txt"
           , kProcedures);
}

// The scheduler finds the request file as it was or with the whole entry,
// never with part of it.
TEST(ScheduleCases, EntryReachesTheFileWhole) {
  AgentRun r;
  const std::string file = "C:\\Agent\\Scheduler INI\\qMonIniWriter_Addsection.ini";
  r.machine.Put(file, "[1]\r\nk=v\r\n");
  std::vector<std::string> seen;
  r.run.objLogStream = std::make_unique<WatchingLog>(r.run, r.machine, file, seen);
  EXPECT_TRUE(CreateSchedule(r.run, "2", "QSCC\\B.EXE", "", "00:01", "23:59", "5", "0", "ADD"));
  EXPECT_EQ(seen, std::vector<std::string>(7, "[1]\r\nk=v\r\n"));  // the request line, six writes
  EXPECT_NE(r.machine.Get(file), "[1]\r\nk=v\r\n");
}

}  // namespace
}  // namespace qmon::test
