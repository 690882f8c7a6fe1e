#include "monitorconfig/desktop_ini.h"

#include <string>

#include "log/run_log.h"
#include "platform/text.h"

namespace qmon {
namespace {

using platform::xml::Node;
using platform::xml::NodeList;

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// One section of the INI. Every key goes through WritePrivateProfileStringA:
// a character the ANSI code page cannot hold arrives as "?", and the
// result is not looked at.
class IniSection {
 public:
  IniSection(Run& run, const std::string& file, std::string name)
      : run_(run), file_(run.Ansi(file)), name_(run.Ansi(name)) {}

  void Put(const std::string& key, const std::string& value) const {
    run_.env.profile->WriteString(name_.c_str(), run_.Ansi(key).c_str(), run_.Ansi(value).c_str(),
                                  file_.c_str());
  }
  // The write, then "MSG : value written in INI: <value>".
  void PutThenLog(const std::string& key, const std::string& value) const {
    Put(key, value);
    WriteLogLine(run_, "MSG : value written in INI: " + value);
  }
  // "MSG : Writing in INI <key>=<value>", then the write.
  void LogThenPut(const std::string& key, const std::string& value) const {
    WriteLogLine(run_, "MSG : Writing in INI " + key + "=" + value);
    Put(key, value);
  }

 private:
  Run& run_;
  std::string file_;
  std::string name_;
};

// One "othdrv" entry at 1-based position k. Values are read where they are
// used, so a missing attribute fails after the keys before it are written.
void WriteOtherDrive(const IniSection& section, const Node& entry, int32_t k) {
  const std::string drv = AttributeText(entry, "drv");
  if (vb::UCase(vb::Trim(drv)) == "ALL") {
    section.LogThenPut("NOSCount", "-1");
    section.LogThenPut("NOScondition", entry.text());
    section.LogThenPut("NOSthreshold", AttributeText(entry, "thval"));
    return;
  }
  const std::string number = std::to_string(k);
  section.LogThenPut("Drv" + number, drv);
  section.LogThenPut("Cond" + number, entry.text());
  section.LogThenPut("Threshold" + number, AttributeText(entry, "thval"));
}

// Kinds 1 and 2: the OS drive and the other drives, values untrimmed.
void WriteDriveKeys(Run& run, const IniSection& section, const Node& element) {
  if (Contains(element.xml(), "<osdrv")) {
    section.PutThenLog("OSthreshold",
                       AttributeText(element.selectSingleNode("step/osdrv"), "thval"));
    section.PutThenLog("OScondition", element.selectSingleNode("step/osdrv").text());
  }
  if (!Contains(element.selectSingleNode("step").xml(), "<othdrv")) {
    WriteLogLine(run, "MSG : othdrv node not found");
    section.Put("NOSCount", "0");
    WriteLogLine(run, "MSG : value written (NOSCount) in INI: 0");
    return;
  }
  WriteLogLine(run, "MSG : othdrv node found");
  const std::string count = std::to_string(element.selectNodes("step/othdrv").length());
  section.Put("NOSCount", count);
  WriteLogLine(run, "MSG : value written (NOSCount) in INI: " + count);
  // The entries are those of the element's first child, whatever its name,
  // while the count above covers every "step" child.
  const NodeList entries = element.childNodes().item(0).selectNodes("othdrv");
  for (int32_t index = 0; index < entries.length(); ++index) {
    WriteOtherDrive(section, entries.item(index), index + 1);
  }
}

// Kinds 3 and 4: threshold and condition, trimmed.
void WriteThresholdKeys(const IniSection& section, const Node& element) {
  section.PutThenLog("OSthreshold",
                     vb::Trim(element.selectSingleNode("step/osthresholdval").text()));
  section.PutThenLog("OScondition", vb::Trim(element.selectSingleNode("step/osthreshold").text()));
}

}  // namespace

void WritePerformanceFunction(Run& run, const std::string& iniPath, int16_t n,
                              const FunctionElement& function) {
  const std::string count = std::to_string(n);
  const IniSection dcm(run, iniPath, "DCM");
  dcm.Put("Tid", run.strTemplateID);
  WriteLogLine(run, "MSG : value written in INI for Tid: " + run.strTemplateID);
  dcm.Put("Tver", run.strTemplateVersion);
  WriteLogLine(run, "MSG : value written in INI for Tver: " + run.strTemplateVersion);
  dcm.Put("Count", count);
  WriteLogLine(run, "MSG : value written in INI for Count: " + count);

  const IniSection section(run, iniPath, "DCM" + count);
  section.PutThenLog("Id", function.FunctionID);
  section.PutThenLog("scriptid", function.scriptid);
  section.PutThenLog("Name", function.fncname);
  if (!function.element.hasChildNodes()) return;
  if (function.FunctionID == "1" || function.FunctionID == "2") {
    WriteDriveKeys(run, section, function.element);
  } else {
    WriteThresholdKeys(section, function.element);
  }
}

}  // namespace qmon
