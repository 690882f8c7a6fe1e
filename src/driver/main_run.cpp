#include <string>

#include "access/access.h"
#include "driver/agent_identity.h"
#include "driver/driver.h"
#include "log/run_log.h"
#include "monitorconfig/monitorconfig.h"
#include "platform/text.h"
#include "platform/vb_error.h"
#include "server/server.h"

namespace qmon {
namespace {

std::string VersionText(const platform::ProgramVersion& v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
         std::to_string(v.revision);
}

// Posts the gathered failure text; an undelivered report is only logged.
void PostFailure(Run& run, std::string& failureText) {
  if (!Get_Webpost_UpdFailure(run, failureText)) {
    WriteLogLine(run, "ERR : Unable to send Failure status to DC.");
  }
}

// Joins failures in the order they are found.
void AddFailure(std::string& failureText, const std::string& failure) {
  failureText = failureText.empty() ? failure : failureText + ";" + failure;
}

// Drops the trailing comma of the existing id list.
void DropLastCharacter(std::string& ids) {
  if (!vb::Trim(ids).empty()) ids = vb::Left(ids, vb::Len(ids) - 1);
}

void GatherScriptJobIds(Run& run, const std::string& commandLine) {
  WriteLogLine(run, "MSG : Deleting template XML file");
  // The command line's own file goes first, so the scan below does not list
  // its id a second time.
  const bool isId = !commandLine.empty() && vb::Val(commandLine) > 0;
  if (isId) fncDeleteFile(run, run.strMonitorTemplatePath + "\\" + commandLine + "_Monitor.xml");

  run.strScriptJobIds = fncGetExistingIdDetails(run);
  if (!commandLine.empty()) {
    WriteLogLine(run, "MSG : Got parameter: " + commandLine);
    if (isId) {
      run.strScriptJobIds += vb::Trim(commandLine);
    } else {
      DropLastCharacter(run.strScriptJobIds);
    }
  } else {
    DropLastCharacter(run.strScriptJobIds);
  }

  if (!run.strScriptJobIds.empty()) {
    GetScriptTemplateDetails(run, run.strScriptJobIds);
    WriteLogLine(run, "MSG : Script Job Ids : " + run.strScriptJobIds);
  } else {
    WriteLogLine(run, "ERR : No Script Job Id Found");
  }
}

// True when the installation holds QSCC\<name>; logs the missing file.
bool Installed(Run& run, const std::string& name) {
  const std::string path = run.strInstallationPath + "QSCC\\" + name;
  if (run.fso().FileExists(path)) return true;
  WriteLogLine(run, "ERR : File not found : " + path);
  return false;
}

void RemoveSetup(Run& run, bool performance, bool eventLog) {
  RemoveMonitorSetup(run, performance, eventLog);
}

}  // namespace

void Main(Run& run, const std::string& commandLine) {
  // Whatever INI writes are still kept reach the disk however the run ends.
  const IniWriteStep pendingWrites(run);
  try {
    if (!run.env.system->ClaimSingleInstance()) throw ProcessEnd{};
    run.strAppVersion = VersionText(run.env.system->Version());
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

    if (!getDCSettings(run)) {
      WriteLogLine(run, "ERR : Unable to read Webpost Details from QAVOmobile.INI");
    }
    bool retry = true;
    if (!Create_Wbpe_Obj(run, retry)) {
      WriteLogLine(run, "ERR : Object Creation for webpostdll Failed.");
      CloseRunLog(run);
    }

    GatherScriptJobIds(run, commandLine);

    std::string strFailureText;
    if (!run.fso().FileExists(run.strInstallationPath + "QSCC\\qGNMD5.Dll")) {
      // The message names the program's own folder, not the one tested.
      WriteLogLine(run, "ERR : File not found : " + run.env.system->ProgramFolder() +
                            "\\qGNMD5.Dll");
      strFailureText = "qGNMD5.Dll not found";
      RemoveSetup(run, true, true);
      run.strTemplateID = "0";
      run.strTemplateVersion = "0";
      PostFailure(run, strFailureText);
      CloseRunLog(run);
    }
    if (!Installed(run, "QPERFMON.EXE")) {
      AddFailure(strFailureText, "QPERFMON.EXE not found");
      run.blnPerfMonMissing = true;
      RemoveSetup(run, true, false);
    }
    if (!Installed(run, "QDSKEVTLOG.EXE")) {
      AddFailure(strFailureText, "QDSKEVTLOG.EXE not found");
      run.blnEventLogMonMissing = true;
      RemoveSetup(run, false, true);
    }
    if (!strFailureText.empty() && run.blnEventLogMonMissing && run.blnPerfMonMissing) {
      RemoveSetup(run, true, true);
      run.strTemplateID = "0";
      run.strTemplateVersion = "0";
      PostFailure(run, strFailureText);
      CloseRunLog(run);
    }

    if (!Get_Webpost_Template(run)) {
      if (run.blnNoTemplateAssigned) WriteLogLine(run, "MSG : No Template Assigned.");
      CloseRunLog(run);
    }
    WriteLogLine(run, "MSG :  Calling loadXMLData() to write INI.");
    WriteLogLine(run, kDashes60);
    if (!loadXMLData(run)) {
      WriteLogLine(run, "ERR : Unable to Create DesktopMonitor.INI & SCCEventLogTemplate.xml.");
      if (strFailureText.empty()) {
        strFailureText = "Unable to Create DesktopMonitor.ini & SCCEventLogTemplate.xml";
      }
      PostFailure(run, strFailureText);
      CloseRunLog(run);
    }
    if (!strFailureText.empty()) PostFailure(run, strFailureText);
    CloseRunLog(run);
  } catch (const VbError& e) {
    WriteLogLine(run, "Error in Main(),Error No:" + std::to_string(e.number) +
                          " ,Error Description : " + e.description);
    throw ProcessEnd{};
  }
}

}  // namespace qmon
