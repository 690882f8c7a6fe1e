// SCCEventLogTemplate.xml, the event-log monitor's configuration.
#pragma once

#include <string>

#include "run/run.h"

namespace qmon {

// Replaces the file at `path` (an existing one is deleted first, with its
// log line) by the template tag and `functions`, the markup of the taken
// event-log function elements, inside <dcmevntlgtemplat>; every line feed
// becomes CR LF. Failures (VbError 76, 70, or 5 for a character the ANSI code
// page cannot hold) reach the caller; a file created before one may stay
// empty.
void WriteEventLogTemplate(Run& run, const std::string& path, const std::string& functions);

}  // namespace qmon
