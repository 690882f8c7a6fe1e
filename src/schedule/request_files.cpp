#include <string>
#include <utility>
#include <vector>

#include "access/access.h"
#include "log/run_log.h"
#include "platform/text.h"
#include "platform/vb_error.h"
#include "schedule/schedule.h"
#include "schedule/schedule_files.h"

namespace qmon {
namespace {

// The six values of a section as RemoveSchedule compares them.
ScheduleEntry ReadStoredEntry(Run& run, const std::string& section, const std::string& file) {
  std::string exe = GetKeyValue(run, section, "ExecutableName", file, false);
  ScheduleEntry entry = schedule::ReadScheduleValues(run, section, file);
  entry.ExecutableName = std::move(exe);
  return entry;
}

// The kept entries, numbered from 1, each with its empty line.
std::string RenumberedText(const std::vector<ScheduleEntry>& entries, int32_t upperBound) {
  std::string text;
  for (int32_t k = 0; k <= upperBound; ++k) {
    const ScheduleEntry& e = entries[k];
    text += "[" + std::to_string(k + 1) + "]\r\n";
    text += "ExecutableName=" + e.ExecutableName + "\r\n";
    text += "Parameter=" + e.Parameter + "\r\n";
    text += "StartTime=" + e.StartTime + "\r\n";
    text += "EndTime=" + e.EndTime + "\r\n";
    text += "Interval=" + e.Interval + "\r\n";
    text += "Weekdays=" + e.WeekDays + "\r\n";
    text += "\r\n";
  }
  return text;
}

}  // namespace

bool CreateSchedule(Run& run, const std::string& SectionName, const std::string& ExecutableName,
                    const std::string& Parameter, const std::string& StartTime,
                    const std::string& EndTime, const std::string& Interval,
                    const std::string& Weekdays, const std::string& Mode) {
  try {
    const std::string folder = schedule::RequestFolder(run);
    const bool add = vb::UCase(Mode) == "ADD";
    const std::string target = folder + (add ? schedule::kAddRequest : schedule::kClearRequest);
    const std::string other = folder + (add ? schedule::kClearRequestOfAdd : schedule::kAddRequest);
    const std::string otherName = add ? schedule::kClearRequestBare : schedule::kAddRequestBare;

    // An add and a clear request for the same schedule must never stand side by side.
    RemoveSchedule(run, ExecutableName, Parameter, StartTime, EndTime, Interval, Weekdays, other,
                   otherName);

    WriteLogLine(run, std::string(add ? "MSG : Creating schedule in qMonIniWriter_Addsection.ini"
                                        "[Create schedule]: SectionName="
                                      : "MSG : Create in qMonIniWriter_DeleteSection.ini"
                                        "[Clearing schedule]: SectionName=") +
                          SectionName + ",Executablename=" + ExecutableName + ",Parameter=" +
                          Parameter + ",StartTime=" + StartTime + ",EndTime=" + EndTime +
                          ",Interval=" + Interval + ",Weekdays=" + Weekdays);

    // The scheduler finds the entry whole or not at all.
    const IniWriteStep step(run, target);
    SetKeyValue(run, SectionName, "ExecutableName", ExecutableName, target);
    SetKeyValue(run, SectionName, "Parameter", Parameter, target);
    SetKeyValue(run, SectionName, "StartTime", StartTime, target);
    SetKeyValue(run, SectionName, "EndTime", EndTime, target);
    SetKeyValue(run, SectionName, "Interval", Interval, target);
    // The line end inside the value leaves an empty line after the section.
    SetKeyValue(run, SectionName, "Weekdays", Weekdays + "\r\n", target);
    return true;
  } catch (const VbError& e) {
    schedule::LogModMainError(run, e, "CreateSchedule");
    return false;
  }
}

bool RemoveSchedule(Run& run, const std::string& ExecutableName, const std::string& Parameter,
                    const std::string& StartTime, const std::string& EndTime,
                    const std::string& Interval, const std::string& Weekdays,
                    const std::string& FilePath, const std::string& FileName) {
  try {
    run.StrRemArray.clear();
    auto& fso = run.fso();
    if (!fso.FileExists(FilePath)) return false;

    // Only the executable name is forgiven blanks; all values letter case.
    const std::string upperExe = vb::UCase(ExecutableName);
    bool removed = false;
    for (const std::string& section : schedule::SectionList(GetSections(run, FilePath))) {
      const ScheduleEntry stored = ReadStoredEntry(run, section, FilePath);
      if (upperExe == vb::UCase(vb::Trim(stored.ExecutableName)) &&
          vb::UCase(Parameter) == vb::UCase(stored.Parameter) &&
          vb::UCase(StartTime) == vb::UCase(stored.StartTime) &&
          vb::UCase(EndTime) == vb::UCase(stored.EndTime) &&
          vb::UCase(Interval) == vb::UCase(stored.Interval) &&
          vb::UCase(Weekdays) == vb::UCase(stored.WeekDays)) {
        WriteLogLine(run, "MSG : Remove schedule [ " + upperExe + " ] from " + FilePath);
        {
          // On disk before the file is copied below.
          const IniWriteStep step(run, FilePath);
          DeleteSection(run, section, FilePath);
        }
        removed = true;
        break;
      }
    }
    if (!removed) return true;

    // The rest, read again; other keys and the old section names are dropped.
    for (const std::string& section : schedule::SectionList(GetSectionNames(run, FilePath))) {
      run.StrRemArray.push_back(
          ScheduleEntry{vb::Trim(GetINIString(run, section, "ExecutableName", FilePath)),
                        vb::Trim(GetINIString(run, section, "Parameter", FilePath)),
                        vb::Trim(GetINIString(run, section, "StartTime", FilePath)),
                        vb::Trim(GetINIString(run, section, "EndTime", FilePath)),
                        vb::Trim(GetINIString(run, section, "Interval", FilePath)),
                        vb::Trim(GetINIString(run, section, "WeekDays", FilePath))});
    }
    GetArrayUBound(run, "StrRemArray");
    if (run.lngStrRemArrayUBound == -1) return true;

    const std::string text = RenumberedText(run.StrRemArray, run.lngStrRemArrayUBound);
    // The backup carries the file through the moment it is absent or half written.
    const std::string backup = run.strInstallationPath + "Scheduler INI" + "\\Bkp_" + FileName;
    fso.CopyOver(FilePath, backup);
    if (!WriteTextFile(run, FilePath, text)) fso.CopyOver(backup, FilePath);
    fncDeleteFile(run, backup);
    return true;
  } catch (const VbError&) {
    return false;
  }
}

void GetArrayUBound(Run& run, const std::string& ArrayName) {
  if (ArrayName != "StrRemArray") return;
  run.lngStrRemArrayUBound = static_cast<int32_t>(run.StrRemArray.size()) - 1;
}

bool WriteTextFile(Run& run, const std::string& Path, const std::string& Text) {
  try {
    fncDeleteFile(run, Path);
    auto stream = run.fso().CreateText(Path);
    stream->WriteLine(Text);
    stream->Close();
    return true;
  } catch (const VbError&) {
    return false;
  }
}

}  // namespace qmon
