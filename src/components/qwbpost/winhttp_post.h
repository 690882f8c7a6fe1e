// One HTTP POST over WinHTTP: the transport of the component's PostXMLString.
#pragma once

#include <string>

#include "platform/web_post_rules.h"

namespace qmon::qwbpost {

// Posts `xml` (UTF-8) to `url` with "Content-Type: text/xml; charset=utf-8",
// as the Linux build's component does: the URL escaped, the time-outs and
// the size cap of platform/web_post_rules.h, only http and https, redirects
// not followed, TLS peers verified, proxies as the machine's WinHTTP settings
// say. A completed 2xx exchange answers True with the body decoded into UTF-8
// by its charset. Any other outcome answers False; a failure of the
// transport itself reads "WinHTTP error <code>" and a description worded as
// the Linux build words the same failure (the system's own for rarer codes).
// Throws only std::bad_alloc.
platform::WebPostAnswer PostOverWinHttp(const std::string& xml, const std::string& url);

}  // namespace qmon::qwbpost
