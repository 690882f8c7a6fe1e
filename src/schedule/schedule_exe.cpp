#include <cstdlib>
#include <string>

#include "access/access.h"
#include "log/run_log.h"
#include "platform/text.h"
#include "platform/vb_error.h"
#include "schedule/schedule.h"
#include "schedule/schedule_files.h"

namespace qmon {
namespace {

// Right means the standard daily window on all days at `interval`, compared
// exactly; the Parameter does not matter.
bool IsRightSchedule(const ScheduleEntry& s, const std::string& interval) {
  return s.StartTime == schedule::kStandardStart && s.EndTime == schedule::kStandardEnd &&
         s.WeekDays == schedule::kAllWeekdays && s.Interval == interval;
}

// A section name converted strictly to a 32-bit integer, as CLng converts a
// text: blanks around it are allowed, a fraction rounds half to even, anything
// that is no number is a type mismatch and a number past the range overflows.
int32_t StrictNumber(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  const size_t last = text.find_last_not_of(" \t\r\n");
  if (first == std::string::npos) throw VbError(vberr::kTypeMismatch);
  const std::string s = text.substr(first, last - first + 1);
  size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0;
  size_t digits = 0;
  auto skip_digits = [&] {
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) ++digits;
  };
  skip_digits();
  if (i < s.size() && s[i] == '.') {
    ++i;
    skip_digits();
  }
  if (digits > 0 && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const size_t mantissa_digits = digits;
    skip_digits();
    if (digits == mantissa_digits) throw VbError(vberr::kTypeMismatch);
  }
  if (digits == 0 || i != s.size()) throw VbError(vberr::kTypeMismatch);
  return vb::CLng(std::strtod(s.c_str(), nullptr));
}

// The clear request for the scheduler's old schedule goes behind the last
// section that FindSchedule named.
std::string SectionAfter(const std::string& lastSection) {
  const int32_t last = StrictNumber(lastSection);
  return last == -1 ? "1" : std::to_string(int64_t{last} + 1);
}

// Looks at the scheduler's own entry for the monitor. When it is not the
// wanted one, a clear request for it is filed unless one is pending already.
// True when the scheduler runs the monitor as wanted.
bool SchedulerHoldsRightSchedule(Run& run, const std::string& exeName, const std::string& interval,
                                 const std::string& clearPath) {
  const std::string schedulerIni = schedule::SchedulerIniPath(run);
  if (!run.fso().FileExists(schedulerIni)) {
    WriteLogLine(run,
                 "MSG : File not found : qavoscheduler.ini , There is no schedule in "
                 "qavoScheduler.ini");
    return false;
  }
  WriteLogLine(run, "MSG : Find the " + exeName + " schedule from QavoScheduler.ini ");
  const auto section = schedule::FirstSectionRunning(run, schedulerIni, exeName);
  if (!section) return false;
  WriteLogLine(run, "MSG : Schedule found in QavoScheduler.ini : " + exeName);
  const ScheduleEntry old = schedule::ReadScheduleValues(run, *section, schedulerIni);
  if (IsRightSchedule(old, interval)) {
    WriteLogLine(run, "MSG : Right [ " + exeName +
                          " ] schedule values found in QavoScheduler.ini, No need to add the "
                          "sechdule in qMonIniWriter_Addsection.ini");
    return true;
  }
  const std::string answer = FindSchedule(run, exeName, old.Parameter, old.StartTime, old.EndTime,
                                          old.Interval, old.WeekDays, clearPath);
  const size_t comma = answer.find(',');
  if (comma != std::string::npos && answer.substr(0, comma) == "FALSE") {
    CreateSchedule(run, SectionAfter(answer.substr(comma + 1)), exeName, "",
                   schedule::kStandardStart, schedule::kStandardEnd, old.Interval,
                   schedule::kAllWeekdays, "DELETE");
  }
  return false;
}

}  // namespace

void ScheduleEXE(Run& run, std::string& ExeName, const std::string& Interval) {
  try {
    auto& fso = run.fso();
    const std::string folder = schedule::RequestFolder(run);
    const std::string addPath = folder + schedule::kAddRequest;
    const std::string clearPath = folder + schedule::kClearRequestOfAdd;
    if (!fso.FileExists(addPath)) schedule::CreateEmptyFile(run, addPath);
    ExeName = vb::UCase(ExeName);

    if (SchedulerHoldsRightSchedule(run, ExeName, Interval, clearPath)) {
      WriteLogLine(run, "MSG : Schedule already exists in qavoscheduler.ini for : " + ExeName);
      return;
    }

    // A pending add request for the name is rewritten in its own section; a
    // new one goes behind the highest number.
    schedule::RequestSlot slot;
    if (fso.FileExists(addPath)) {
      slot = schedule::FindRequestSlot(run, addPath, true, [&](const std::string& stored) {
        return stored == ExeName;
      });
      if (slot.pending) {
        const ScheduleEntry pending = schedule::ReadScheduleValues(run, *slot.pending, addPath);
        if (IsRightSchedule(pending, Interval)) {
          RemoveSchedule(run, ExeName, pending.Parameter, pending.StartTime, pending.EndTime,
                         pending.Interval, pending.WeekDays, clearPath, schedule::kClearRequestBare);
          return;
        }
      }
    } else {
      WriteLogLine(run, "MSG : File not found : qMonIniWriter_Addsection.ini ");
      }

    WriteLogLine(run,
                 "MSG : Schedule not found for " + ExeName + " in qMonIniWriter_Addsection.ini");
    const std::string& section = slot.section;
    WriteLogLine(run, "MSG : Creating Schedule for " + ExeName);
    CreateSchedule(run, section, ExeName, "", schedule::kStandardStart, schedule::kStandardEnd,
                   Interval, schedule::kAllWeekdays, "ADD");
  } catch (const VbError& e) {
    schedule::LogModMainError(run, e, "ScheduleEXE");
  }
}

std::string FindSchedule(Run& run, const std::string& ExecutableName, const std::string& Parameter,
                         const std::string& StartTime, const std::string& EndTime,
                         const std::string& Interval, const std::string& Weekdays,
                         const std::string& File) {
  std::string answer = "FALSE,-1";
  try {
    auto same = [&](const std::string& section, const char* key, const std::string& wanted) {
      return vb::UCase(vb::Trim(GetINIString(run, section, key, File))) == vb::UCase(wanted);
    };
    for (const std::string& section : schedule::SectionList(GetSectionNames(run, File))) {
      if (same(section, "ExecutableName", ExecutableName) &&
          same(section, "Parameter", Parameter) && same(section, "StartTime", StartTime) &&
          same(section, "EndTime", EndTime) && same(section, "Interval", Interval) &&
          same(section, "WeekDays", Weekdays)) {
        return "TRUE," + section;
      }
      answer = "FALSE," + section;
    }
    return answer;
  } catch (const VbError& e) {
    // The answer then names no verdict, so the caller files nothing on it.
    WriteLogLine(run, "Err : Err Number :--> " + std::to_string(e.number) +
                          " Err Description :--> " + e.description);
    return "";
  }
}

}  // namespace qmon
