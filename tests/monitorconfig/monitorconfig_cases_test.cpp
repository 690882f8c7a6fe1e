#include <gtest/gtest.h>

#include <algorithm>

#include "log/cases.h"
#include "monitorconfig/activation.h"
#include "monitorconfig/monitorconfig.h"
#include "support/watching_log.h"

namespace qmon::test {
namespace {

using Args = const std::vector<std::string>&;

const std::map<std::string, Procedure> kProcedures = {
    {"loadXMLData", [](AgentRun& r, Args) { return YesNo(loadXMLData(r.run)); }},
    {"deleteTemplateFiles",
     [](AgentRun& r, Args) {
       deleteTemplateFiles(r.run);
       return std::string();
     }},
    {"WriteXMLTemplate",
     [](AgentRun& r, Args a) {
       WriteXMLTemplate(r.run, a[0]);
       return std::string();
     }},
    {"ScheduleMonitorsAtStart",
     [](AgentRun& r, Args) {
       ScheduleMonitorsAtStart(r.run);
       return std::string();
     }},
    {"ActivateMonitors",
     [](AgentRun& r, Args a) {
       ActivateMonitors(r.run, a[0] == "true");
       return std::string();
     }},
    {"RemoveMonitorSetup", [](AgentRun& r, Args a) {
       bool performance = a[0] == "true", eventLog = a[1] == "true";
       RemoveMonitorSetup(r.run, performance, eventLog);
       return YesNo(performance) + " " + YesNo(eventLog);
     }}};

TEST(MonitorConfigCases, All) {
  RunCases("monitorconfig_cases.txt",
#include "monitorconfig/monitorconfig_cases.txt"
           , kProcedures);
}

const std::string kIni = "C:\\Agent\\QSCC\\MonitorTemplate\\DesktopMonitor.ini";

// A run with a master template of id and version 0 holding `functions`.
struct Conversion : AgentRun {
  explicit Conversion(const std::string& functions) {
    run.strServiceID = "5";
    machine.Put("C:\\Agent\\QSCC\\MonitorTemplate\\Master_mointoringTemplate.xml",
                "<dcmgetmontemp><templateid>0</templateid><templatever>0</templatever>" +
                    functions + "</dcmgetmontemp>");
  }
};

// The performance monitor finds the INI as it was before the conversion or
// with all its keys, never in between, also when the conversion fails.
TEST(Conversion, IniIsReplacedWholeWhenTheLoopEnds) {
  Conversion c("<dcm FunctionID=\"1\" scriptid=\"4\" exclsp=\"\" fncname=\"N\">"
               "<step><othdrv drv=\"D:\">a</othdrv></step></dcm>");
  const std::string old = "[Old]\r\nk=v\r\n";
  c.machine.Put(kIni, old);
  std::vector<std::string> seen;
  c.run.objLogStream = std::make_unique<WatchingLog>(c.run, c.machine, kIni, seen);
  EXPECT_FALSE(loadXMLData(c.run));
  const std::string whole = c.machine.Get(kIni);
  EXPECT_TRUE(whole.starts_with(old + "[DCM]") && whole.ends_with("Cond1=a\r\n")) << whole;
  for (const auto& bytes : seen) EXPECT_TRUE(bytes == old || bytes == whole) << bytes;
  EXPECT_EQ(seen.back(), whole);  // the handler's line
}

// The loop index is a 16-bit Integer: a last function at index 32766 is
// converted and the loop ends; one at 32767 is converted, then stepping the
// index overflows.
TEST(Conversion, LastFunctionOfTheIntegerLoopIsConverted) {
  for (const int skipped : {32764, 32765}) {  // functions of an unknown kind before it
    std::string functions;
    for (int i = 0; i < skipped; ++i) {
      functions += "<f FunctionID=\"0\" scriptid=\"\" exclsp=\"\" fncname=\"\"/>";
    }
    Conversion c(functions + "<f FunctionID=\"1\" scriptid=\"s\" exclsp=\"\" fncname=\"last\"/>");
    EXPECT_EQ(loadXMLData(c.run), skipped == 32764);
    const std::vector<std::string> lines = c.Logged();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "MSG : Searching serviceId 5 in exclsp "),
              skipped + 1);
    EXPECT_TRUE(c.machine.Get(kIni).ends_with("[DCM1]\r\nId=1\r\nscriptid=s\r\nName=last\r\n"));
    EXPECT_EQ(lines.back() == "ERR : Error in loadXMLData(). ErrNo:6Description :Overflow",
              skipped == 32765);
  }
}

}  // namespace
}  // namespace qmon::test
