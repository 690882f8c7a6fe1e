#include <optional>
#include <string>

#include "access/access.h"
#include "log/run_log.h"
#include "platform/text.h"
#include "platform/vb_error.h"
#include "schedule/schedule.h"
#include "schedule/schedule_files.h"

namespace qmon {
namespace {

// The scheduler runs the monitor: file a clear request carrying the
// scheduler's values, in place of a pending one for the name if there is one.
void FileClearRequest(Run& run, const std::string& name, ScheduleEntry values,
                      const std::string& clearPath) {
  std::string executableName = vb::Trim(name);
  schedule::RequestSlot slot;
  if (run.fso().FileExists(clearPath)) {
    slot = schedule::FindRequestSlot(run, clearPath, false, [&](const std::string& stored) {
      return vb::InStr(stored, name) > 0;
    });
    if (slot.pending) {
      WriteLogLine(run, "MSG : Schedule found for " + name +
                            " in qMonIniWriter_DeleteSection.ini: " + *slot.pending);
      executableName = slot.executable;
    }
  } else {
    WriteLogLine(run, "MSG : File not found : qMonIniWriter_DeleteSection.ini.");
  }

  const std::string& section = slot.section;
  WriteLogLine(run, "MSG : Creating Schedule for " + name + " in qMonIniWriter_DeleteSection.ini");
  if (executableName.empty()) return;

  // The scheduler may leave values out; a request always carries all six.
  if (values.Parameter.empty()) values.Parameter = " ";
  if (values.StartTime.empty()) values.StartTime = schedule::kStandardStart;
  if (values.EndTime.empty()) values.EndTime = schedule::kStandardEnd;
  if (values.Interval.empty()) values.Interval = " ";
  if (values.WeekDays.empty()) values.WeekDays = schedule::kAllWeekdays;
  CreateSchedule(run, section, executableName, values.Parameter, values.StartTime, values.EndTime,
                 values.Interval, values.WeekDays, "DELETE");
}

}  // namespace

std::string ClearSchedules(Run& run, const std::string& ExeName) {
  try {
    const std::string folder = schedule::RequestFolder(run);
    const std::string clearPath = folder + schedule::kClearRequest;
    if (!run.fso().FileExists(clearPath)) schedule::CreateEmptyFile(run, clearPath);
    const std::string name = vb::UCase(ExeName);

    std::optional<ScheduleEntry> scheduled;
    const std::string schedulerIni = schedule::SchedulerIniPath(run);
    if (run.fso().FileExists(schedulerIni)) {
      WriteLogLine(run, "MSG : Searching " + ExeName + " schedule in QavoScheduler.ini ");
      if (const auto section = schedule::FirstSectionRunning(run, schedulerIni, name)) {
        scheduled = schedule::ReadScheduleValues(run, *section, schedulerIni);
      }
    }
    if (scheduled) {
      FileClearRequest(run, name, *scheduled, clearPath);
      return "";
    }

    // Nothing to stop at the scheduler: only take back a request to start it.
    const std::string addPath = folder + schedule::kAddRequestOfClear;
    if (run.fso().FileExists(addPath)) {
      WriteLogLine(run, "MSG : Searching " + ExeName +
                            " schedule in qMonIniWriter_AddSection.ini, If found , remove the "
                            "schedule from qMonIniWriter_AddSection.ini");
      if (const auto section = schedule::FirstSectionRunning(run, addPath, name)) {
        const ScheduleEntry pending = schedule::ReadScheduleValues(run, *section, addPath);
        RemoveSchedule(run, ExeName, pending.Parameter, pending.StartTime, pending.EndTime,
                       pending.Interval, pending.WeekDays, addPath, schedule::kAddRequestBare);
      }
    }
    return "";
  } catch (const VbError& e) {
    schedule::LogModMainError(run, e, "ClearSchedules");
    return " Failed to clean schedules.";
  }
}

}  // namespace qmon
