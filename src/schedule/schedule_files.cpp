#include "schedule/schedule_files.h"

#include <algorithm>
#include <cstdio>

#include "access/access.h"
#include "log/run_log.h"
#include "platform/text.h"

namespace qmon::schedule {

std::string RequestFolder(Run& run) {
  return GetShortPath(run, run.strInstallationPath + "Scheduler INI");
}

std::string SchedulerIniPath(Run& run) {
  return run.strInstallationPath + "Configuration\\QavoScheduler.ini";
}

void CreateEmptyFile(Run& run, const std::string& path) { run.fso().CreateText(path)->Close(); }

std::vector<std::string> SectionList(const std::string& names) {
  // Every name is followed by its NUL, so the text after the last NUL is no
  // name; an empty name inside the list is a real section "[]".
  std::vector<std::string> sections;
  size_t start = 0;
  for (size_t end = names.find('\0'); end != std::string::npos; end = names.find('\0', start)) {
    sections.push_back(names.substr(start, end - start));
    start = end + 1;
  }
  return sections;
}

RequestSlot FindRequestSlot(Run& run, const std::string& file, bool blankCounts,
                            const std::function<bool(const std::string&)>& matches) {
  RequestSlot slot;
  double highest = 0;
  for (const std::string& section : SectionList(GetSections(run, file))) {
    const std::string exe = GetKeyValue(run, section, "ExecutableName", file, false);
    if (exe.empty() && !blankCounts) continue;
    const std::string stored = vb::UCase(vb::Trim(exe));
    if (matches(stored)) {
      slot.pending = section;
      slot.executable = stored;
      break;
    }
    highest = std::max(highest, vb::Val(section));
  }
  const double number = slot.pending ? vb::Val(*slot.pending) : highest + 1;
  // Printed as the runtime prints a number: 15 significant digits, the
  // exponent form from 1E+15 on; + 0.0 turns -0 into 0.
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15G", number + 0.0);
  slot.section = buffer;
  return slot;
}

void LogModMainError(Run& run, const VbError& error, const char* procedure) {
  WriteLogLine(run, "ERR : " + std::to_string(error.number) + " (" + error.description +
                        ") in procedure " + procedure + " of Module modMain");
}

std::optional<std::string> FirstSectionRunning(Run& run, const std::string& file,
                                               const std::string& upperName) {
  for (const std::string& section : SectionList(GetSections(run, file))) {
    const std::string exe = GetKeyValue(run, section, "ExecutableName", file, false);
    if (vb::InStr(vb::UCase(exe), upperName) > 0) return section;
  }
  return std::nullopt;
}

ScheduleEntry ReadScheduleValues(Run& run, const std::string& section, const std::string& file) {
  ScheduleEntry entry;
  entry.Parameter = GetKeyValue(run, section, "Parameter", file, false);
  entry.StartTime = GetKeyValue(run, section, "StartTime", file, false);
  entry.EndTime = GetKeyValue(run, section, "EndTime", file, false);
  entry.Interval = GetKeyValue(run, section, "Interval", file, false);
  entry.WeekDays = GetKeyValue(run, section, "Weekdays", file, false);
  return entry;
}

}  // namespace qmon::schedule
