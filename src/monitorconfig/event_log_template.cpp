#include "monitorconfig/event_log_template.h"

#include "access/access.h"
#include "log/run_log.h"
#include "platform/text.h"

namespace qmon {

void WriteEventLogTemplate(Run& run, const std::string& path, const std::string& functions) {
  if (run.fso().FileExists(path)) fncDeleteFile(run, path);

  std::string text = "<template id=\"" + run.strTemplateID + "\" version=\"" +
                     run.strTemplateVersion + "\"/>" + functions;
  // Through a marker, so a "<@@>" already in the text breaks the line as well.
  text = vb::Replace(vb::Replace(text, "\n", "<@@>"), "<@@>", "\r\n");
  text = "<dcmevntlgtemplat>" + text + "</dcmevntlgtemplat>";

  WriteLogLine(run, kDashes60);
  WriteLogLine(run, "Creating file : " + path);
  WriteLogLine(run, "MSG : XML to Write : " + text);
  WriteLogLine(run, kDashes60);
  const auto stream = run.fso().CreateText(path);
  stream->Write(text);
  stream->Close();
  WriteLogLine(run, "MSG : XML written successfully.");
}

}  // namespace qmon
