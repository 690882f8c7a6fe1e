// Inside the schedule subsystem: where the scheduler's INI and the two request
// files live, and the small reads that several operations share.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/vb_error.h"
#include "run/run.h"

namespace qmon::schedule {

// The request file names, behind the request folder. The spellings differ from
// place to place; the platform takes file names without regard to case, so
// each group names one file.
//
// The add-request file: where add requests go, and what ScheduleEXE searches
// and CreateSchedule cleans when it files a clear request.
inline constexpr const char* kAddRequest = "\\qMonIniWriter_Addsection.ini";
// The add-request file as ClearSchedules searches and cleans it.
inline constexpr const char* kAddRequestOfClear = "\\qMonIniWriter_AddSection.ini";
// Its bare name, for RemoveSchedule's backup.
inline constexpr const char* kAddRequestBare = "qMonIniWriter_Addsection.ini";
// The clear-request file: where clear requests go, and what ClearSchedules
// searches and creates.
inline constexpr const char* kClearRequest = "\\qMonIniWriter_DeleteSection.ini";
// The clear-request file as cleaned when an add request is filed, and as
// ScheduleEXE searches it.
inline constexpr const char* kClearRequestOfAdd = "\\qMonIniWriter_Deletesection.ini";
// Its bare name, for RemoveSchedule's backup.
inline constexpr const char* kClearRequestBare = "qMonIniWriter_Deletesection.ini";

// The values of the standard daily schedule.
inline constexpr const char* kStandardStart = "00:01";
inline constexpr const char* kStandardEnd = "23:59";
inline constexpr const char* kAllWeekdays = "0,1,2,3,4,5,6";

// The short form of the "Scheduler INI" folder, formed afresh on every call
// ("" while the folder is missing).
std::string RequestFolder(Run& run);
// The scheduler's own INI, which is only ever read.
std::string SchedulerIniPath(Run& run);

// Creates (or empties) a file and closes it again.
void CreateEmptyFile(Run& run, const std::string& path);

// The names of a NUL-terminated section list, in file order.
std::vector<std::string> SectionList(const std::string& names);

// Where a request goes in a request file: the first section whose
// ExecutableName (trimmed, in upper case) `matches` holds a pending request,
// rewritten in place; otherwise the number after the highest section seen
// before it. `blankCounts`: a section without an ExecutableName still counts
// for that number.
struct RequestSlot {
  std::optional<std::string> pending;  // the pending request's section
  std::string executable;              // its ExecutableName, trimmed, in upper case
  std::string section = "1";           // the section the request goes to
};
RequestSlot FindRequestSlot(Run& run, const std::string& file, bool blankCounts,
                            const std::function<bool(const std::string&)>& matches);

// The "ERR : n (description) in procedure X of Module modMain" line.
void LogModMainError(Run& run, const VbError& error, const char* procedure);

// The first section of `file` whose ExecutableName, in upper case, contains
// `upperName`. This is how a monitor's entry is found in the scheduler's INI,
// and how ClearSchedules finds a pending add request.
std::optional<std::string> FirstSectionRunning(Run& run, const std::string& file,
                                               const std::string& upperName);

// Parameter, StartTime, EndTime, Interval and Weekdays of a section, as the
// profile functions answer them; ExecutableName stays empty.
ScheduleEntry ReadScheduleValues(Run& run, const std::string& section, const std::string& file);

}  // namespace qmon::schedule
