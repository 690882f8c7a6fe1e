// A master template converted on the in-memory machine. The conversion ends
// by itself (its errors are logged, not thrown); DesktopMonitor.ini reads
// back with the last count of functions it logged and a section for each; an
// event-log template written from an ASCII master template without
// namespaces loads.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "harness.h"
#include "monitorconfig/monitorconfig.h"
#include "platform/xml/dom.h"
#include "support/agent_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = Bytes(data, size);
  qmon::test::AgentRun agent;
  agent.run.strServiceID = "5";
  const std::string folder = agent.run.strMonitorTemplatePath;
  agent.machine.Put(folder + qmon::kMasterTemplateName, bytes);
  qmon::loadXMLData(agent.run);

  const std::string kCountLine = "MSG : value written in INI for Count: ";
  const std::string events_path = folder + qmon::kEventLogTemplateName;
  std::string count;
  bool events_written = false;
  for (const std::string& line : agent.Logged()) {
    if (line.starts_with(kCountLine)) count = line.substr(kCountLine.size());
    events_written |= line == "Creating file : " + events_path;
  }
  const std::string ini = folder + qmon::kDesktopMonitorIniName;
  Check(!agent.run.blnPerfFunctionFound || !count.empty());
  if (!count.empty()) {
    auto profile = agent.machine.fs.MakeProfile();
    Check(ProfileGet(*profile, "DCM", "Count", ini) == count);
    for (int n = 1; n <= std::stoi(count); ++n) {
      Check(!ProfileGet(*profile, ("DCM" + std::to_string(n)).c_str(), nullptr, ini).empty());
    }
  }
  if (events_written && Ascii(bytes) && bytes.find("xmlns") == std::string::npos) {
    qmon::platform::xml::DOMDocument events;
    Check(events.load(agent.machine.fs, events_path));
    Check(events.selectNodes("dcmevntlgtemplat/template").length() == 1);
  }
  return 0;
}
