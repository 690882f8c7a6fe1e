// What the server procedures share: the agent INI of server URLs, the web
// post component's ProgID, the identity query both server pages take, and
// the number-and-text tail of their error lines.
#pragma once

#include <string>

#include "platform/vb_error.h"
#include "run/run.h"

namespace qmon::server {

inline constexpr const char* kWebPostProgId = "qWbPost.WebPost";

// The agent's INI of server URLs; read only.
inline std::string ScriptDnsIni(const Run& run) {
  return run.strInstallationPath + "Configuration\\qScriptDNS.ini";
}

// The agent identity as both pages expect it, values not encoded.
inline std::string IdentityQuery(const Run& run) {
  return "?mmid=" + run.strMemberID + "&sid=" + run.strSiteID + "&rid=" + run.strRegID +
         "&rty=" + run.strRegType;
}

// Error number, one blank, description.
inline std::string NumberAndText(const VbError& e) {
  return std::to_string(e.number) + " " + e.description;
}

}  // namespace qmon::server
