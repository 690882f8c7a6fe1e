#include <cstdio>
#include <string>

#include "log/run_log.h"
#include "platform/text.h"
#include "platform/vb_error.h"
#include "server/server.h"
#include "server/server_common.h"

namespace qmon {
namespace {

constexpr const char* kFailurePage = "wpdcmsccrgidmontmpupdfail";
constexpr const char* kFailurePageFile = "tfr_wpdcmsccrgidmontmpupdfail.asp";
constexpr int kAttempts = 3;

// Format(t, "MM\/DD\/YYYY HH\:NN\:SS"): literal separators whatever the locale.
std::string ScanTime(const platform::LocalTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", t.month, t.day, t.year,
                t.hour, t.minute, t.second);
  return buffer;
}

std::string Element(const char* name, const std::string& value) {
  return std::string("<") + name + ">" + value + "</" + name + ">";
}

// The report itself; values go in unescaped, the description inside CDATA.
std::string FailureXml(Run& run, const std::string& description) {
  return std::string("<") + kFailurePage + ">" + Element("mmid", run.strMemberID) +
         Element("siteid", run.strSiteID) + Element("regid", run.strRegID) +
         Element("tmpid", run.strTemplateID) + Element("tmpver", run.strTemplateVersion) +
         Element("scandt", ScanTime(run.env.clock->Now())) + Element("exever", run.strAppVersion) +
         Element("faildesc", "<![CDATA[" + description + "]]>") + "</" + kFailurePage + ">";
}

// Keeps the report for later when the server did not take it.
void KeepReport(Run& run, std::string& xml) {
  std::string page = kFailurePage;
  WpFileSCCPostLogs(run, xml, page);
}

}  // namespace

bool Get_Webpost_UpdFailure(Run& run, std::string& description) {
  try {
    const std::string trimmed = vb::Trim(run.strPrimaryURL);
    if (!trimmed.empty() && trimmed.back() != '/') run.strPrimaryURL = trimmed + "/";
    const auto failureUrl = [&run] {
      return run.strPrimaryURL + kFailurePageFile + server::IdentityQuery(run);
    };
    if (vb::Len(vb::Trim(run.strPrimaryURL)) <= 1) {
      WriteLogLine(run, "ERR: No URL Details found");
      return false;
    }
    if (run.strTemplateID.empty()) run.strTemplateID = "0";
    if (run.strTemplateVersion.empty()) run.strTemplateVersion = "0";
    std::string xml = FailureXml(run, description);
    WriteLogLine(run, "MSG : URL to Hit is : " + failureUrl());
    WriteLogLine(run, "MSG : XML to Send : " + xml);

    // Outputs carry over from one attempt to the next.
    std::string response, error1, error2, error3;
    int attempt = 1;
    while (attempt <= kAttempts) {
      WriteLogLine(run, "MSG : Webpost try : " + std::to_string(attempt));
      std::string url = failureUrl();
      if (!run.objWebPost) throw VbError(vberr::kObjectNotSet);
      const bool posted =
          run.objWebPost->PostXMLString(xml, false, url, "", "", response, error1, error2, error3);
      WriteLogLine(run, "MSG : Return Response Text : " + response);
      if (posted) {
        if (response == "1") {
          WriteLogLine(run, "MSG : Webpost Successful");
          return true;
        }
        // The server answered and refused: trying again would not help.
        KeepReport(run, xml);
        return false;
      }
      WriteLogLine(run, "ERR: Error from Webpost " + error1 + " " + error2 + " " + error3);
      ++attempt;
      WriteLogLine(run, "MSG : Webpost Try." + std::to_string(attempt));
    }
    KeepReport(run, xml);
    return false;
  } catch (const VbError& e) {
    WriteLogLine(run, "ERR: Error in Get_Webpost_UpdFailure() " + server::NumberAndText(e));
    return false;
  }
}

void WpFileSCCPostLogs(Run& run, std::string& xml, std::string& page) {
  try {
    auto& fso = run.fso();
    const std::string folder = run.strInstallationPath + "SCCPostLogs";
    if (!fso.FolderExists(folder)) fso.CreateFolder(folder);
    const std::string name = page + "_N_" + run.strRegID + "_" + page + "_" +
                             vb::FormatMmddyyyyhhnnss(run.env.clock->Now()) + ".txt";
    const std::string configuration = run.strInstallationPath + "Configuration";
    if (!fso.FolderExists(configuration)) fso.CreateFolder(configuration);
    WriteLogLine(run, "MSG : Creating webpost file  " + name + " in SCCPostLogs folder");
    auto stream = fso.CreateText(folder + "\\" + name);
    stream->WriteLine(xml);
    stream->Close();
  } catch (const VbError& e) {
    WriteLogLine(run, "ERR : " + std::to_string(e.number) + " (" + e.description +
                          ") in procedure WpFileSCCPostLogs of Module modMain");
  }
}

}  // namespace qmon
