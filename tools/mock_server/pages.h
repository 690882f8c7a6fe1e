// The two pages of the monitoring server, answered as a healthy server would.
#pragma once

#include "options.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace qmon::mock {

// Pages are told apart by the last part of the path, without regard to case,
// so a base URL with folders in it reaches them too:
//  - "tfr_wpscriptmontmpltdtls.asp": the bytes of <templates>/<inid>.xml,
//    where <inid> is the text of the posted XML's inid element; an empty body
//    when there is no such file (or no inid, or one with a "/");
//  - "tfr_wpdcmsccrgidmontmpupdfail.asp": the failure answer text;
//  - anything else: 404.
// Both pages answer status 200 with the configured content type.
void AnswerPage(const Options& options, const httplib::Request& request,
                httplib::Response& response);

}  // namespace qmon::mock
