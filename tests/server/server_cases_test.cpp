#include <gtest/gtest.h>

#include "log/cases.h"
#include "server/server.h"

namespace qmon::test {
namespace {

using Args = const std::vector<std::string>&;

const std::map<std::string, Procedure> kProcedures = {
    {"getDCSettings", [](AgentRun& r, Args) { return YesNo(getDCSettings(r.run)); }},
    {"Create_Wbpe_Obj",
     [](AgentRun& r, Args a) {
       bool retry = a[0] == "true";
       const bool created = Create_Wbpe_Obj(r.run, retry);
       return YesNo(created) + (r.run.objWebPost ? " with the shared object" : "");
     }},
    {"WebPost",
     [](AgentRun& r, Args a) {
       std::string xml = a[0], url = a[1], error = "before";
       const std::string answer = WebPost(r.run, xml, url, error);
       return "\"" + answer + "\" error \"" + error + "\"";
     }},
    {"Get_Webpost_UpdFailure",
     [](AgentRun& r, Args a) {
       std::string description = a[0];
       return YesNo(Get_Webpost_UpdFailure(r.run, description));
     }},
    {"WpFileSCCPostLogs",
     [](AgentRun& r, Args a) {
       std::string xml = a[0], page = a[1];
       WpFileSCCPostLogs(r.run, xml, page);
       return std::string();
     }},
    {"Get_Webpost_Template", [](AgentRun& r, Args) { return YesNo(Get_Webpost_Template(r.run)); }},
    {"ComposeMasterTemplate", [](AgentRun& r, Args) { return ComposeMasterTemplate(r.run); }},
    {"fncGetExistingIdDetails",
     [](AgentRun& r, Args) { return "\"" + fncGetExistingIdDetails(r.run) + "\""; }},
    {"GetScriptTemplateDetails",
     [](AgentRun& r, Args a) {
       std::string ids = a[0];
       GetScriptTemplateDetails(r.run, ids);
       return std::string();
     }},
    {"funWirteMasterMonitoringTemplateXML", [](AgentRun& r, Args a) {
       std::string path = a[0];
       return "\"" + funWirteMasterMonitoringTemplateXML(r.run, path) + "\"";
     }}};

TEST(ServerCases, All) {
  RunCases("server_cases.txt",
#include "server/server_cases.txt"
           , kProcedures);
}

}  // namespace
}  // namespace qmon::test
