// The monitor configuration writer: the files of the template folder and
// their conversion into the two monitors' configuration.
//
// Other subsystems include this header only.
#pragma once

#include <string>

#include "run/run.h"

namespace qmon {

// Names appended to strMonitorTemplatePath, leading backslash included.
inline constexpr const char* kMasterTemplateName = "\\Master_mointoringTemplate.xml";
inline constexpr const char* kDesktopMonitorIniName = "\\DesktopMonitor.ini";
inline constexpr const char* kEventLogTemplateName = "\\SCCEventLogTemplate.xml";

// The agent key that holds the checksums of the generated files.
inline constexpr const char* kChecksumKey = "Software\\Qavood";

// Stores the composed master template text as the master template file.
void WriteXMLTemplate(Run& run, const std::string& strXML);

// Deletes the master template and the two configuration files.
void deleteTemplateFiles(Run& run);

// Converts the stored master template into DesktopMonitor.ini and
// SCCEventLogTemplate.xml, then schedules or clears each monitor and stores
// the files' checksums. False when the master template is missing, has no
// content, or the conversion failed.
bool loadXMLData(Run& run);

// Takes one or both monitors' setup down: configuration file, checksum value
// and schedule. Every step runs even when an earlier one fails.
void RemoveMonitorSetup(Run& run, bool& blnPerformance, bool& blnEventLog);

}  // namespace qmon
