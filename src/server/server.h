// Server exchange: the web post channel, the two conversations with the
// monitoring server, and the master template assembled from its answers.
//
// The driver includes this header only.
#pragma once

#include <string>

#include "run/run.h"

namespace qmon {

// ---- Web post channel ----
// Reads the failure report's base URL from qScriptDNS.ini into strPrimaryURL.
bool getDCSettings(Run& run);
// Creates objWebPost, registering the component once when it is not.
bool Create_Wbpe_Obj(Run& run, bool& blnRetry);
// Posts xml to url through an object of its own; answers the response text.
std::string WebPost(Run& run, std::string& xml, std::string& url, std::string& error);

// ---- Script monitoring templates ----
// The ids of the script template files in the template folder, each followed by ",".
std::string fncGetExistingIdDetails(Run& run);
// Fetches each id's template details and stores them as its script template file.
void GetScriptTemplateDetails(Run& run, std::string& ids);
// The dcm fragments of one stored file, or "".
std::string funWirteMasterMonitoringTemplateXML(Run& run, std::string& path);

// ---- Master template assembly ----
std::string ComposeMasterTemplate(Run& run);
// True when a master template was stored; False after the teardown
// (blnNoTemplateAssigned set) or an error.
bool Get_Webpost_Template(Run& run);

// ---- Failure report ----
// True when the server accepted the report.
bool Get_Webpost_UpdFailure(Run& run, std::string& description);
// Keeps an undelivered report as a post log file.
void WpFileSCCPostLogs(Run& run, std::string& xml, std::string& page);

}  // namespace qmon
