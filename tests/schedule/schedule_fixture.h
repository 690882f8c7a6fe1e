// An agent with its "Scheduler INI" and configuration folders, and the texts
// that schedule requests leave in files and in the log.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "run/run.h"
#include "support/run_fixture.h"

namespace qmon::test {

inline const std::string kFolder = "C:\\Agent\\Scheduler INI";
inline const std::string kAddFile = kFolder + "\\qMonIniWriter_Addsection.ini";
inline const std::string kClearFile = kFolder + "\\qMonIniWriter_DeleteSection.ini";
// The request files under the other spellings that some procedures use.
inline const std::string kAddOfClear = kFolder + "\\qMonIniWriter_AddSection.ini";
inline const std::string kClearOfAdd = kFolder + "\\qMonIniWriter_Deletesection.ini";
inline const std::string kSchedulerIni = "C:\\Agent\\Configuration\\QavoScheduler.ini";
inline const std::string kPerf = "QSCC\\QPERFMON.EXE";
inline const std::string kEvent = "QSCC\\QDSKEVTLOG.EXE";
inline const std::string kNoScheduler =
    "MSG : File not found : qavoscheduler.ini , There is no schedule in qavoScheduler.ini";

// The daily schedule on all days that the monitors are asked for.
inline ScheduleEntry Daily(const std::string& exe, const std::string& interval) {
  return {exe, "", "00:01", "23:59", interval, "0,1,2,3,4,5,6"};
}

inline const ScheduleEntry kA{"QSCC\\A.EXE", "-a", "08:00", "18:00", "60", "1,2,3,4,5"};
inline const ScheduleEntry kB{"QSCC\\B.EXE", "", "00:01", "23:59", "15", "0"};
inline const ScheduleEntry kC{"QSCC\\C.EXE", "/c", "06:00", "07:00", "1", "6"};
inline const ScheduleEntry kPerf5 = Daily(kPerf, "5");

// One section as a request file holds it: the six keys and an empty line.
inline std::string Section(const std::string& name, const ScheduleEntry& e) {
  return "[" + name + "]\r\nExecutableName=" + e.ExecutableName + "\r\nParameter=" + e.Parameter +
         "\r\nStartTime=" + e.StartTime + "\r\nEndTime=" + e.EndTime +
         "\r\nInterval=" + e.Interval + "\r\nWeekdays=" + e.WeekDays + "\r\n\r\n";
}

// Joins groups of log lines.
inline std::vector<std::string> Lines(std::initializer_list<std::vector<std::string>> groups) {
  std::vector<std::string> all;
  for (const auto& group : groups) all.insert(all.end(), group.begin(), group.end());
  return all;
}

// What filing one request logs: the request line and the six key writes into
// `file` (the line end inside the Weekdays value breaks its line in two).
inline std::vector<std::string> RequestLog(bool add, const std::string& section,
                                           const ScheduleEntry& e, const std::string& file) {
  const std::string opening =
      add ? "MSG : Creating schedule in qMonIniWriter_Addsection.ini[Create schedule]: SectionName="
          : "MSG : Create in qMonIniWriter_DeleteSection.ini[Clearing schedule]: SectionName=";
  const std::string write = "MSG : Writing in section " + section + "  Key ";
  const std::string in = " in " + file;
  return {opening + section + ",Executablename=" + e.ExecutableName + ",Parameter=" + e.Parameter +
              ",StartTime=" + e.StartTime + ",EndTime=" + e.EndTime + ",Interval=" + e.Interval +
              ",Weekdays=" + e.WeekDays,
          write + "ExecutableName=" + e.ExecutableName + in,
          write + "Parameter=" + e.Parameter + in,
          write + "StartTime=" + e.StartTime + in,
          write + "EndTime=" + e.EndTime + in,
          write + "Interval=" + e.Interval + in,
          write + "Weekdays=" + e.WeekDays,
          in};
}
inline std::vector<std::string> AddLog(const std::string& section, const ScheduleEntry& e) {
  return RequestLog(true, section, e, kAddFile);
}
inline std::vector<std::string> ClearLog(const std::string& section, const ScheduleEntry& e) {
  return RequestLog(false, section, e, kClearFile);
}

// What ScheduleEXE logs when it files a new add request for `exe` at `section`.
inline std::vector<std::string> NewAddLog(const std::string& exe, const std::string& section,
                                          const ScheduleEntry& e) {
  return Lines({{"MSG : Schedule not found for " + exe + " in qMonIniWriter_Addsection.ini",
                 "MSG : Creating Schedule for " + exe},
                AddLog(section, e)});
}

// What taking `exe`'s entry in `section` out of `file` logs; when entries are
// left and rewritten, the file and its backup (always spelt alike) are deleted.
inline std::vector<std::string> RemovalLog(const std::string& exe, const std::string& file,
                                           const std::string& section, bool rewritten) {
  std::vector<std::string> lines = {
      "MSG : Remove schedule [ " + exe + " ] from " + file,
      "MSG : Deleting section " + section + " from QavoScheduler.ini"};
  if (rewritten) {
    const bool add = file.find("_Add") != std::string::npos;
    lines.push_back("File deleted : " + file);
    lines.push_back("File deleted : " + kFolder + "\\Bkp_qMonIniWriter_" +
                    (add ? "Addsection" : "Deletesection") + ".ini");
  }
  return lines;
}

// What ClearSchedules logs when it withdraws `exe`'s pending add request.
inline std::vector<std::string> WithdrawLog(const std::string& exe, const std::string& section,
                                            bool rewritten) {
  return Lines({{"MSG : Searching " + exe +
                 " schedule in qMonIniWriter_AddSection.ini, If found , remove the schedule from "
                 "qMonIniWriter_AddSection.ini"},
                RemovalLog(exe, kAddOfClear, section, rewritten)});
}

class ScheduleTest : public RunFixture {
 protected:
  ScheduleTest() {
    machine.MakeFolder(kFolder);
    machine.MakeFolder("C:\\Agent\\Configuration");
  }
};

}  // namespace qmon::test
