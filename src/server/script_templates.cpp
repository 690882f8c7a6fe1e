#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "access/access.h"
#include "log/run_log.h"
#include "platform/text.h"
#include "platform/vb_error.h"
#include "platform/xml/dom.h"
#include "schedule/schedule.h"
#include "server/server.h"
#include "server/server_common.h"

namespace qmon {
namespace {

using platform::xml::Node;

constexpr const char* kSuffix = "_Monitor.xml";

// Children every instance must carry, whether the fragment uses them or not.
constexpr std::array<const char*, 9> kInstanceFields = {
    "templateid",      "scriptsjobid", "scriptid", "agentcategory", "agenttemplatename",
    "userlogonconfig", "startdate",    "enddate",  "neverend"};

// The event-log function's fields, copied into the fragment in this order.
constexpr std::array<const char*, 10> kEventFields = {
    "evntlgsource", "evntlgsourcestr", "evnttype",  "evntsource",   "evntid",
    "evntdesc",     "evntsourandid",   "outputopt", "evntdescstrt", "evntdescandor"};

constexpr const char* kEventLogFunctionId = "5";

// "ERR : Error in <procedure>(). ErrNo:<n>Description :<text>".
std::string ErrNoLine(const char* procedure, const VbError& e) {
  return std::string("ERR : Error in ") + procedure + "(). ErrNo:" + std::to_string(e.number) +
         "Description :" + e.description;
}

// The first child of that name; Nothing when absent, which fails the file.
Node FirstChild(const Node& instance, const char* name) {
  return instance.selectSingleNode(name);
}

std::string ChildText(const Node& instance, const char* name) {
  return vb::Trim(FirstChild(instance, name).text());
}

std::string EventBody(const Node& instance) {
  std::string body;
  for (const char* name : kEventFields) {
    body +=
        std::string("<") + name + "><![CDATA[" + ChildText(instance, name) + "]]></" + name + ">";
  }
  return body;
}

// One instance as the master template's dcm element.
std::string DcmFragment(const Node& instance) {
  std::map<std::string, std::string> field;
  for (const char* name : kInstanceFields) field[name] = ChildText(instance, name);
  const std::string& functionId = field["templateid"];
  const std::string body = functionId == kEventLogFunctionId
                               ? EventBody(instance)
                               : vb::Trim(FirstChild(instance, "step").xml());
  const std::string_view parts[] = {" <dcm scriptid='",
                                    field["scriptid"],
                                    "' scriptver='0' FunctionID='",
                                    functionId,
                                    "' exclsp='1,2,4,9,10' category='",
                                    field["agentcategory"],
                                    "' FunctionVersion='0' fncname='",
                                    field["agenttemplatename"],
                                    "' logonuser='",
                                    field["userlogonconfig"],
                                    "' publisher='MERIDOXAN'>  ",
                                    body,
                                    " </dcm>"};
  // Sized exactly: every fragment is held until the script template's tree
  // is gone, and a grown string's spare room would add half again to them.
  size_t size = 0;
  for (const std::string_view part : parts) size += part.size();
  std::string fragment;
  fragment.reserve(size);
  for (const std::string_view part : parts) fragment += part;
  return fragment;
}

// The id part of a script template file's name. A suffix in another letter
// case is cut where it stands, so such a file still names its id.
std::string IdOf(const std::string& name) {
  int32_t at = vb::InStr(name, kSuffix);
  if (at == 0) at = vb::InStr(vb::LCase(name), vb::LCase(kSuffix));
  return vb::Left(name, at - 1);
}

}  // namespace

std::string fncGetExistingIdDetails(Run& run) {
  try {
    auto& fso = run.fso();
    if (!fso.FolderExists(run.strMonitorTemplatePath)) return "";
    std::string ids;
    for (const std::string& name : fso.ListFiles(run.strMonitorTemplatePath)) {
      if (vb::InStr(vb::LCase(name), "_monitor.xml") > 0) ids += IdOf(name) + ",";
    }
    return ids;
  } catch (const VbError& e) {
    WriteLogLine(run, ErrNoLine("fncGetExistingIdDetails", e));
    return "";
  }
}

void GetScriptTemplateDetails(Run& run, std::string& ids) {
  try {
    const std::string base =
        GetINIString(run, "wpscriptmontmpltdtls", "URL", server::ScriptDnsIni(run));
    if (base.empty()) {
      WriteLogLine(run, "ERR : wpscriptmontmpltdtls Url not found.");
      return;
    }
    std::string strScriptTemplateURL =
        base + "/tfr_wpscriptmontmpltdtls.asp" + server::IdentityQuery(run);
    for (const std::string& id : vb::Split(ids, ",")) {
      std::string request = "<wpscriptmontmpltdtls><inid>" + id + "</inid><inagenttime>" +
                            run.env.clock->ShortDate(run.env.clock->Now()) +
                            " </inagenttime></wpscriptmontmpltdtls>";
      std::string unused;
      const std::string response = WebPost(run, request, strScriptTemplateURL, unused);
      const std::string path = run.strMonitorTemplatePath + "\\" + id + kSuffix;
      fncDeleteFile(run, path);
      if (!vb::Trim(response).empty()) {
        WriteTextFile(run, path, response);
      } else {
        WriteLogLine(run, "ERR : Data not found. For ID : " + id);
      }
    }
  } catch (const VbError& e) {
    // This line has always named loadXMLData; log readers know it by that text.
    WriteLogLine(run, ErrNoLine("loadXMLData", e));
  }
}

std::string funWirteMasterMonitoringTemplateXML(Run& run, std::string& path) {
  try {
    // Gathered apart and joined once the document is gone, so a large
    // template's tree and the growing text are never held together.
    std::vector<std::string> fragments;
    {
      platform::xml::DOMDocument document;
      document.load(run.fso(), path);
      const auto instances = document.selectNodes("/wpscriptmontmpltdtls/scriptinstance");
      fragments.reserve(static_cast<size_t>(instances.length()));
      for (int32_t i = 0; i < instances.length(); ++i) {
        fragments.push_back(DcmFragment(instances.item(i)));
      }
    }
    size_t size = 0;
    for (const std::string& fragment : fragments) size += fragment.size();
    std::string joined;
    joined.reserve(size);
    for (std::string& fragment : fragments) {
      joined += fragment;
      std::string().swap(fragment);
    }
    return joined;
  } catch (const VbError& e) {
    WriteLogLine(run, ErrNoLine("funWirteMasterMonitoringTemplateXML", e));
    return "";
  }
}

}  // namespace qmon
