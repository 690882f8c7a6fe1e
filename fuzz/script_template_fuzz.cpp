// A script's monitoring template, stored in the template folder, made into
// the master template's fragments. The step logs its own errors and then
// gives no fragments; otherwise one function per script instance. When the
// template's texts hold no markup characters, the master template they make
// loads with those functions.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "harness.h"
#include "platform/xml/dom.h"
#include "server/server.h"
#include "support/agent_run.h"

using qmon::platform::xml::DOMDocument;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = Bytes(data, size);
  qmon::test::AgentRun agent;
  const std::string folder = agent.run.strMonitorTemplatePath;
  agent.machine.Put(folder + "\\7_Monitor.xml", bytes);

  const std::string master = qmon::ComposeMasterTemplate(agent.run);
  const auto logged = agent.Logged();
  const bool failed = std::any_of(logged.begin(), logged.end(), [](const std::string& line) {
    return line.starts_with("ERR : Error in funWirteMasterMonitoringTemplateXML()");
  });

  DOMDocument script;
  script.load(agent.machine.fs, folder + "\\7_Monitor.xml");
  const int32_t instances =
      failed ? 0 : script.selectNodes("/wpscriptmontmpltdtls/scriptinstance").length();
  const std::string text = script.hasChildNodes() ? script.selectSingleNode("/").text() : "";
  if (bytes.find("xmlns") != std::string::npos || text.find_first_of("'<&]") != std::string::npos) {
    return 0;  // a prefix declared above a step, or texts that break the markup
  }
  agent.machine.Put("C:\\m.xml", master);
  DOMDocument composed;
  Check(composed.load(agent.machine.fs, "C:\\m.xml"));
  Check(composed.selectSingleNode("dcmgetmontemp").childNodes().length() == 2 + instances);
  Check(composed.selectNodes("dcmgetmontemp/dcm").length() == instances);
  return 0;
}
