// A master template converted on the in-memory machine. The conversion ends
// by itself (its errors are logged, not thrown); DesktopMonitor.ini reads
// back with the last count of functions it logged and a section for each; an
// event-log template written from an ASCII master template without
// namespaces loads.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "monitorconfig/monitorconfig.h"
#include "platform/xml/dom.h"
#include "support/agent_run.h"

namespace {

std::string Get(qmon::platform::Profile& profile, const std::string& section, const char* key,
                const std::string& file) {
  std::vector<char> buffer(1 << 16);
  const uint32_t n = profile.GetString(section.c_str(), key, "", buffer.data(),
                                       static_cast<uint32_t>(buffer.size()), file.c_str());
  return std::string(buffer.data(), n);
}

bool Ascii(const std::string& bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
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
    Check(Get(*profile, "DCM", "Count", ini) == count);
    for (int n = 1; n <= std::stoi(count); ++n) {
      Check(!Get(*profile, "DCM" + std::to_string(n), nullptr, ini).empty());
    }
  }
  if (events_written && Ascii(bytes) && bytes.find("xmlns") == std::string::npos) {
    qmon::platform::xml::DOMDocument events;
    Check(events.load(agent.machine.fs, events_path));
    Check(events.selectNodes("dcmevntlgtemplat/template").length() == 1);
  }
  return 0;
}
