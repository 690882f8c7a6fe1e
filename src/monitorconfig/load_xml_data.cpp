#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "access/access.h"
#include "log/run_log.h"
#include "monitorconfig/activation.h"
#include "monitorconfig/desktop_ini.h"
#include "monitorconfig/event_log_template.h"
#include "monitorconfig/function_element.h"
#include "monitorconfig/monitorconfig.h"
#include "platform/text.h"
#include "platform/vb_error.h"
#include "platform/xml/dom.h"

namespace qmon {
namespace {

using platform::xml::DOMDocument;

// The loop index and the section number are 16-bit Integers: stepping one
// past 32767 overflows.
void IncrementInteger(int16_t& value) {
  if (value == std::numeric_limits<int16_t>::max()) throw VbError(vberr::kOverflow);
  ++value;
}

// One conversion of a loaded master template: its id and version, the
// function loop, and the event-log template after it.
class TemplateConversion {
 public:
  TemplateConversion(Run& run, const DOMDocument& document, std::string iniPath,
                     std::string eventLogPath)
      : run_(run),
        document_(document),
        ini_path_(std::move(iniPath)),
        event_log_path_(std::move(eventLogPath)) {}

  // False when the document has no content (a guard: a loaded document
  // always has its root element).
  bool Convert() {
    WriteLogLine(run_, "MSG : XML Loaded successfully.");
    if (document_.hasChildNodes()) {
      run_.strTemplateID = document_.selectSingleNode("dcmgetmontemp/templateid").text();
      WriteLogLine(run_, "MSG : Template ID: " + run_.strTemplateID);
      run_.strTemplateVersion = document_.selectSingleNode("dcmgetmontemp/templatever").text();
      WriteLogLine(run_, "MSG : Template Version: " + run_.strTemplateVersion);
    }
    // What the files and any failure report carry, whatever was just read.
    run_.strTemplateID = "111";
    run_.strTemplateVersion = "20141224212323";

    ConvertFunctions();

    if (!document_.hasChildNodes()) {
      WriteLogLine(run_, "MSG :  No DCM TAG found.");
      return false;
    }
    WriteLogLine(run_, kDashes51);
    if (run_.blnEventFunctionFound) WriteEventLogTemplate(run_, event_log_path_, event_functions_);
    return true;
  }

  bool blnFunction3or4Present() const { return blnFunction3or4Present_; }

 private:
  // The root's children from the third on; the first two are id and version.
  void ConvertFunctions() {
    // The INI reaches the disk whole when the loop ends, also when it fails.
    const IniWriteStep step(run_, ini_path_);
    const int32_t last = document_.selectSingleNode("dcmgetmontemp").childNodes().length() - 1;
    for (int16_t i = 2; i <= last; IncrementInteger(i)) {
      ConvertFunction(
          ReadFunctionElement(document_.selectSingleNode("dcmgetmontemp").childNodes().item(i)));
    }
  }

  void ConvertFunction(const FunctionElement& function) {
    WriteLogLine(
        run_, "MSG : Searching serviceId " + run_.strServiceID + " in exclsp " + function.exclsp);
    const std::string& id = function.FunctionID;
    if (id == "1" || id == "2" || id == "3" || id == "4") {
      // Counted whether or not the filter takes it: it sets the interval.
      if (id == "3" || id == "4") blnFunction3or4Present_ = true;
      if (!Take(function)) return;
      IncrementInteger(n_);
      WritePerformanceFunction(run_, ini_path_, n_, function);
      run_.blnPerfFunctionFound = true;
    } else if (id == "5") {
      WriteLogLine(run_, "MSG : XML for Event = 5 found.");
      if (!Take(function)) return;
      event_functions_ += function.element.xml();
      run_.blnEventFunctionFound = true;
    }
  }

  // The service filter, logging a taken function.
  bool Take(const FunctionElement& function) {
    if (!IsTakenForService(run_, function)) return false;
    WriteLogLine(run_,
                 "MSG : serviceId " + run_.strServiceID + " found  in exclsp " + function.exclsp);
    return true;
  }

  Run& run_;
  const DOMDocument& document_;
  const std::string ini_path_;
  const std::string event_log_path_;
  int16_t n_ = 0;
  bool blnFunction3or4Present_ = false;
  std::string event_functions_;
};

}  // namespace

bool loadXMLData(Run& run) {
  try {
    DOMDocument objXMLDoc;
    const std::string strXMLPath = vb::Trim(run.strMonitorTemplatePath + kMasterTemplateName);
    TemplateConversion conversion(run, objXMLDoc,
                                  run.strMonitorTemplatePath + kDesktopMonitorIniName,
                                  run.strMonitorTemplatePath + kEventLogTemplateName);

    ScheduleMonitorsAtStart(run);

    if (!run.fso().FileExists(strXMLPath)) {
      WriteLogLine(run, "MSG : File does not exist: " + strXMLPath);
      DelRegValue(run, platform::kHkeyLocalMachine, kChecksumKey, "Main");
      return false;
    }
    // A template that does not parse is passed over without a line; the
    // activation then finds no function for either monitor.
    if (objXMLDoc.load(run.fso(), strXMLPath) && !conversion.Convert()) return false;
    // Activation reads none of the template: a large one is let go first.
    objXMLDoc = DOMDocument();

    ActivateMonitors(run, conversion.blnFunction3or4Present());
    return true;
  } catch (const VbError& e) {
    WriteLogLine(run, "ERR : Error in loadXMLData(). ErrNo:" + std::to_string(e.number) +
                          "Description :" + e.description);
    return false;
  }
}

}  // namespace qmon
