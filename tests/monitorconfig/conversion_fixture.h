// A conversion on a test machine: master templates written inline, the
// generated files read back whole, and the conversion's own log lines.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "log/run_log.h"
#include "monitorconfig/monitorconfig.h"
#include "support/run_fixture.h"

namespace qmon::test {

inline const std::string kTemplateFolder = "C:\\Agent\\QSCC\\MonitorTemplate";
inline const std::string kMasterPath = kTemplateFolder + "\\Master_mointoringTemplate.xml";
inline const std::string kIniPath = kTemplateFolder + "\\DesktopMonitor.ini";
inline const std::string kEventLogPath = kTemplateFolder + "\\SCCEventLogTemplate.xml";
inline const std::string kLoaded = "MSG : XML Loaded successfully.";
inline const std::string kRootRead[] = {kLoaded, "MSG : Template ID: 0",
                                        "MSG : Template Version: 0"};

// The handler's line for a runtime error.
inline std::string HandlerLine(int number, const std::string& description) {
  return "ERR : Error in loadXMLData(). ErrNo:" + std::to_string(number) +
         "Description :" + description;
}
inline const std::string kNotSetLine =
    HandlerLine(91, "Object variable or With block variable not set");

// "[DCM]" with Tid, Tver and the final Count, as the INI starts.
inline std::string DcmSection(int count) {
  return "[DCM]\r\nTid=111\r\nTver=20141224212323\r\nCount=" + std::to_string(count) + "\r\n";
}

class ConversionTest : public RunFixture {
 protected:
  ConversionTest() {
    machine.MakeFolder(kTemplateFolder);
    run.strServiceID = "5";
  }

  // A master template of id and version 0 with `functions` after them.
  void PutMaster(const std::string& functions) {
    machine.Put(kMasterPath,
                "<dcmgetmontemp><templateid>0</templateid><templatever>0"
                "</templatever>" +
                    functions + "</dcmgetmontemp>");
  }

  std::string Ini() const { return machine.Get(kIniPath); }
  std::string EventLog() const { return machine.Get(kEventLogPath); }

  // The log lines from the load line through the handler's line or the 51
  // hyphens, and `more` lines after those.
  std::vector<std::string> ConversionLines(int more = 0) const {
    const std::vector<std::string> lines = Logged();
    const auto begin = std::find(lines.begin(), lines.end(), kLoaded);
    const auto last = std::find_if(begin, lines.end(), [](const std::string& line) {
      return line == kDashes51 || line.starts_with("ERR : Error in loadXMLData()");
    });
    const auto stop = std::min<std::ptrdiff_t>(last - lines.begin() + 1 + more, lines.size());
    return {begin, lines.begin() + stop};
  }

  // Whether the agent key holds a value of this name.
  bool HasChecksumValue(const std::string& name) {
    return machine.RegValue(kChecksumKey, name).has_value();
  }
};

}  // namespace qmon::test
