// What follows each conversion for the two monitors: the scheduling requests
// at its start, and at its end scheduling or clearing each monitor and
// storing the checksums of the template folder's files.
#pragma once

#include "run/run.h"

namespace qmon {

// Before the master template is looked at: both monitors at their standard
// intervals (performance "5", event log "60").
void ScheduleMonitorsAtStart(Run& run);

// After the function loop: each monitor with work is scheduled, each without
// is cleared and loses its checksum value; then the checksums of the files
// that exist are stored. `blnFunction3or4Present` chooses the performance
// monitor's interval ("5", else "60").
void ActivateMonitors(Run& run, bool blnFunction3or4Present);

}  // namespace qmon
