#include <string>
#include <utility>

#include "access/access.h"
#include "log/run_log.h"
#include "monitorconfig/monitorconfig.h"
#include "platform/text.h"
#include "platform/vb_error.h"
#include "schedule/schedule.h"
#include "server/server.h"
#include "server/server_common.h"

namespace qmon {
namespace {

void LogTemplateError(Run& run, const VbError& e) {
  WriteLogLine(run, "ERR: Error in Get_Webpost_Template() " + server::NumberAndText(e));
}

void DeleteChecksum(Run& run, const char* valueName) {
  DelRegValue(run, platform::kHkeyLocalMachine, kChecksumKey, valueName);
}

// The previous conversion's outputs go before a new master template is
// stored, whatever the new conversion will do.
void RemoveStaleOutputs(Run& run) {
  const std::pair<const char*, const char*> outputs[] = {{kDesktopMonitorIniName, "Performance"},
                                                         {kEventLogTemplateName, "Event"}};
  for (const auto& [name, valueName] : outputs) {
    const std::string path = run.strMonitorTemplatePath + name;
    if (!run.fso().FileExists(path)) continue;
    WriteLogLine(run, "File Exist : " + path);
    fncDeleteFile(run, path);
    DeleteChecksum(run, valueName);
  }
}

// Nothing is assigned: both monitors lose their configuration, checksums and
// schedules.
void TakeMonitorSetupDown(Run& run) {
  WriteLogLine(run, "MSG : No Template(s) is assigned.");
  WriteLogLine(run, kDashes60);
  deleteTemplateFiles(run);
  for (const char* valueName : {"Performance", "Event", "Main"}) DeleteChecksum(run, valueName);
  ClearSchedules(run, "QSCC\\QDSKEVTLOG.EXE");
  ClearSchedules(run, "QSCC\\QPERFMON.EXE");
  run.blnNoTemplateAssigned = true;
}

}  // namespace

std::string ComposeMasterTemplate(Run& run) {
  try {
    std::string text = "<dcmgetmontemp> <templateid>0</templateid> <templatever>0</templatever>";
    auto& fso = run.fso();
    if (fso.FolderExists(run.strMonitorTemplatePath)) {
      for (const std::string& name : fso.ListFiles(run.strMonitorTemplatePath)) {
        std::string path = run.strMonitorTemplatePath + "\\" + name;
        text += funWirteMasterMonitoringTemplateXML(run, path);
      }
    }
    return text + " </dcmgetmontemp>";
  } catch (const VbError& e) {
    LogTemplateError(run, e);
    return "";
  }
}

bool Get_Webpost_Template(Run& run) {
  try {
    const std::string text = ComposeMasterTemplate(run);
    WriteLogLine(run, "MSG : Return Response Text : " + text);
    if (vb::Trim(text).empty()) {
      TakeMonitorSetupDown(run);
      return false;
    }
    WriteLogLine(run, "MSG : Webpost Successful");
    RemoveStaleOutputs(run);
    WriteXMLTemplate(run, text);
    return true;
  } catch (const VbError& e) {
    LogTemplateError(run, e);
    return false;
  }
}

}  // namespace qmon
