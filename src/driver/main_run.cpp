#include <string>

#include "driver/agent_identity.h"
#include "driver/driver.h"
#include "log/run_log.h"
#include "platform/vb_error.h"

namespace qmon {
namespace {

std::string VersionText() {
  return std::to_string(QMON_VERSION_MAJOR) + "." + std::to_string(QMON_VERSION_MINOR) + "." +
         std::to_string(QMON_VERSION_REVISION);
}

}  // namespace

void Main(Run& run, const std::string& commandLine) {
  (void)commandLine;  // consumed once the script templates are fetched
  try {
    if (!run.env.system->ClaimSingleInstance()) throw ProcessEnd{};
    run.strAppVersion = VersionText();
    run.objFSO = run.env.fs;

    std::string agentKey = "SOFTWARE\\QAVOOD";
    if (!ReadAgentIdentity(run, agentKey)) CloseRunLog(run);
    OpenRunLog(run);
    PreChecks(run);

    auto& fso = run.fso();
    run.strMonitorTemplatePath = run.strInstallationPath + "QSCC\\MonitorTemplate";
    if (!fso.FolderExists(run.strMonitorTemplatePath)) {
      fso.CreateFolder(run.strMonitorTemplatePath);
      WriteLogLine(run, "MSG : Folder Created: " + run.strMonitorTemplatePath);
    }
    run.env.fs->MakeSureDirectoryPathExists(
        run.Ansi(run.strInstallationPath + "Scheduler INI\\").c_str());

    CloseRunLog(run);
  } catch (const VbError& e) {
    WriteLogLine(run, "Error in Main(),Error No:" + std::to_string(e.number) +
                          " ,Error Description : " + e.description);
    throw ProcessEnd{};
  }
}

}  // namespace qmon
