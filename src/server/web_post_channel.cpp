#include <memory>
#include <string>

#include "access/access.h"
#include "log/run_log.h"
#include "platform/vb_error.h"
#include "server/server.h"
#include "server/server_common.h"

namespace qmon {
namespace {

using server::NumberAndText;

// Runs one step that an absent or unregistered component may fail; those two
// failures are passed over, any other error reaches the caller's handler.
template <typename Step>
void PassOverComponentFailure(Step&& step) {
  try {
    step();
  } catch (const VbError& e) {
    if (e.number != vberr::kCantCreateObject && e.number != vberr::kLibraryNotRegistered) throw;
  }
}

void LogCreateError(Run& run, const VbError& e) {
  WriteLogLine(run, "ERR : Error in Create_Wbpe_Obj() " + NumberAndText(e));
}

// The component is not registered: registers the installation's copy (without
// waiting for regsvr32) and tries once more.
bool RegisterAndRetry(Run& run) {
  try {
    WriteLogLine(run, "MSG : Failed to create qWbPost.Dll Object");
    const std::string dll = run.strInstallationPath + "qWbPost.dll";
    if (!run.fso().FileExists(dll)) {
      WriteLogLine(run, "ERR : qWbPost.dll Missing");
      return false;
    }
    WriteLogLine(run, "Msg : Registering qWbPost.dll .....");
    run.env.system->StartProcess("regsvr32 " + dll + " -s");
    bool blnRetry = false;
    return Create_Wbpe_Obj(run, blnRetry);
  } catch (const VbError& e) {
    LogCreateError(run, e);
    return false;
  }
}

}  // namespace

bool getDCSettings(Run& run) {
  try {
    WriteLogLine(run, "MSG : Getting Webpost Settings");
    const std::string ini = server::ScriptDnsIni(run);
    if (!run.fso().FileExists(ini)) return false;
    run.strPrimaryURL = GetINIString(run, "wpdcmsccrgidmontmpveriu", "URL", ini);
    WriteLogLine(run, "MSG : Prim. URL:" + run.strPrimaryURL);
    return true;
  } catch (const VbError& e) {
    WriteLogLine(run, "ERR: Error in getDCSettings() " + NumberAndText(e));
    return false;
  }
}

bool Create_Wbpe_Obj(Run& run, bool& blnRetry) {
  try {
    WriteLogLine(run, "MSG : Creating Object for qWbPost.dll");
    run.objWebPost = run.env.components->CreateObject(server::kWebPostProgId);
    WriteLogLine(run, "MSG : Successfully Created Object for qWbPost.dll");
    return true;
  } catch (const VbError& e) {
    if (e.number == vberr::kCantCreateObject && blnRetry) return RegisterAndRetry(run);
    LogCreateError(run, e);
    return false;
  }
}

std::string WebPost(Run& run, std::string& xml, std::string& url, std::string& error) {
  try {
    WriteLogLine(run, "MSG : Webpost string : " + xml);
    WriteLogLine(run, "MSG : Webpost url : " + url);
    std::unique_ptr<platform::WebPostObject> object;
    PassOverComponentFailure(
        [&] { object = run.env.components->CreateObject(server::kWebPostProgId); });
    std::string response;
    if (object) {
      bool posted = false;
      std::string error1, error2, error3;
      PassOverComponentFailure([&] {
        posted = object->PostXMLString(xml, false, url, "", "", response, error1, error2, error3);
      });
      WriteLogLine(run, "MSG : WebPost Return Status: " + response);
      if (!posted) {
        const std::string details = error1 + "-" + error2 + " - " + error3;
        WriteLogLine(run, "ERR : WebPost Failed : " + details);
        error = details;
      }
    }
    return response;
  } catch (const VbError& e) {
    WriteLogLine(run,
                 "ERR : Function WebPost :: " + std::to_string(e.number) + "-" + e.description);
    return "";
  }
}

}  // namespace qmon
