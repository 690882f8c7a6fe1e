// Schedule requests: decides which monitor schedules the agent's scheduler
// must add or drop, and writes the two request files it consumes.
//
// Other subsystems include this header only.
#pragma once

#include <string>

#include "run/run.h"

namespace qmon {

// Writes one add request (Mode "ADD", any case) or clear request (any other
// Mode) into section SectionName, after taking an equal entry out of the
// other request file. False only after a runtime error.
bool CreateSchedule(Run& run, const std::string& SectionName, const std::string& ExecutableName,
                    const std::string& Parameter, const std::string& StartTime,
                    const std::string& EndTime, const std::string& Interval,
                    const std::string& Weekdays, const std::string& Mode);

// Removes the first entry of FilePath equal to the six values and rewrites the
// file numbered from 1, keeping a backup named after FileName while it does.
// False when FilePath does not exist or after a runtime error.
bool RemoveSchedule(Run& run, const std::string& ExecutableName, const std::string& Parameter,
                    const std::string& StartTime, const std::string& EndTime,
                    const std::string& Interval, const std::string& Weekdays,
                    const std::string& FilePath, const std::string& FileName);

// Sets lngStrRemArrayUBound when ArrayName is "StrRemArray".
void GetArrayUBound(Run& run, const std::string& ArrayName);

// Deletes Path, creates it anew as ANSI text holding Text and one CR LF.
// False after a runtime error.
bool WriteTextFile(Run& run, const std::string& Path, const std::string& Text);

// Makes sure the scheduler runs ExeName (replaced by its upper case) every day
// at Interval.
void ScheduleEXE(Run& run, std::string& ExeName, const std::string& Interval);

// "TRUE,<section>" when File holds an entry with the six values, otherwise
// "FALSE,<last section>" or "FALSE,-1".
std::string FindSchedule(Run& run, const std::string& ExecutableName,
                         const std::string& Parameter, const std::string& StartTime,
                         const std::string& EndTime, const std::string& Interval,
                         const std::string& Weekdays, const std::string& File);

// Asks the scheduler to stop running ExeName. "" when it ran to its end,
// " Failed to clean schedules." after a runtime error.
std::string ClearSchedules(Run& run, const std::string& ExeName);

}  // namespace qmon
