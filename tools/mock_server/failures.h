// The ways the mock server fails a request on purpose (--fail MODE).
#pragma once

#include "options.h"
#include "stop_signal.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace qmon::mock {

// Fails `request` as options.fail says. True when that is the whole answer;
// false when the page's own answer is still to be given (a stall, once it
// ends, or no failure mode). A stall ends early when `stop` is raised.
bool AnswerFailure(const Options& options, StopSignal& stop, const httplib::Request& request,
                   httplib::Response& response);

}  // namespace qmon::mock
