#include <string>

#include "access/access.h"
#include "log/run_log.h"
#include "monitorconfig/monitorconfig.h"
#include "platform/vb_error.h"

namespace qmon {

void WriteXMLTemplate(Run& run, const std::string& strXML) {
  try {
    const std::string path = run.strMonitorTemplatePath + kMasterTemplateName;
    auto stream = run.fso().CreateText(path);
    stream->Write(strXML);
    stream->Close();
    WriteLogLine(run, "MSG : Master Template written : " + path);
    WriteLogLine(run, "MSG : XML written successfully.");
    WriteLogLine(run, kDashes60);
  } catch (const VbError& e) {
    WriteLogLine(run, "ERR : Error in WriteXMLTemplate() No: " + std::to_string(e.number) +
                          " ,Desc: " + e.description);
  }
}

void deleteTemplateFiles(Run& run) {
  try {
    for (const char* name : {kMasterTemplateName, kDesktopMonitorIniName, kEventLogTemplateName}) {
      fncDeleteFile(run, run.strMonitorTemplatePath + name);
      WriteLogLine(run, kDashes60);
    }
  } catch (const VbError& e) {
    WriteLogLine(run, "ERR : Error in deleteTemplateFiles () No: " + std::to_string(e.number) +
                          " ,Desc: " + e.description);
  }
}

}  // namespace qmon
