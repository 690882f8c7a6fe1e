// The agent's web-post component ("qWbPost.WebPost") of the Linux build: one
// HTTP POST over libcurl per call: the plain-HTTP libcurl linked into the
// program, or for what it refuses (https, an HTTPS proxy) the system's.
#pragma once

#include <string>

#include "platform/env.h"

namespace qmon::platform::posix {

// PostXMLString posts `xml` (UTF-8) to `url` with
// "Content-Type: text/xml; charset=utf-8"; the flag and arguments 4 and 5 are
// not used. Only http and https are spoken, redirects are not followed, TLS
// peers are verified and proxies come from the usual environment variables.
// The URL is escaped, the time-outs and the size cap are set as
// platform/web_post_rules.h says.
//  - True: a 2xx answer arrived; `response` holds its body decoded into UTF-8
//    (see ResponseText) and the three error details are emptied.
//  - False: `response` is emptied; error1 names the failure ("HTTP 500",
//    "libcurl error 28", "Response too large"), error2 says it in words (the
//    status line's reason, libcurl's message) and error3 is the URL.
// Never raises.
class CurlWebPost final : public WebPostObject {
 public:
  bool PostXMLString(std::string& xml, bool flag, std::string& url, std::string arg4,
                     std::string arg5, std::string& response, std::string& error1,
                     std::string& error2, std::string& error3) override;
};

// Registers CurlWebPost under "qWbPost.WebPost". Its factory makes nothing
// (so creation fails with 429) when the linked libcurl cannot be set up.
void RegisterCurlWebPost(ComponentRegistry& registry);

}  // namespace qmon::platform::posix
