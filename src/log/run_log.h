// The dated run log: the program's only diagnostic output. Every operation
// here passes over its own failures silently; there is no other channel.
//
// Other subsystems include this header only.
#pragma once

#include <string>

#include "run/run.h"

namespace qmon {

// Separator lines: file operations and logged XML, the end of the
// conversion's function loop, and the frame of each run's block.
inline const std::string kDashes60(60, '-');
inline const std::string kDashes51(51, '-');
inline const std::string kFrame70(70, '=');

// Opens (or appends to) the day's log under the installation folder and
// writes the block's opening lines.
void OpenRunLog(Run& run);

// Appends "timestamp<TAB>message", or an empty line for an empty message.
// Dropped while the log is not open.
void WriteLogLine(Run& run, const std::string& message);

// Writes the closing lines, releases the log and the file-system object, and
// ends the process (throws ProcessEnd).
[[noreturn]] void CloseRunLog(Run& run);

}  // namespace qmon
