// Cases as data. A case names what the agent's machine holds, what is asked
// of the program and what a user would then notice: the lines logged, the
// files and the checksum values changed, the posts made, the answers given.
//
//   == name                      a case; "#..." lines before it are comments
//   -- put C:\path               the file: each line, then CR LF ("\xNN" is a byte)
//   -- put-raw C:\path           the file: the lines joined with nothing
//   -- folder C:\path            a folder
//   -- agent-key                 the agent key holds these export-file lines only
//   -- set                       run fields, "name=value"
//   -- fail                      "create-text PATH", "vanish N PATH" (the N-th look
//                                at it deletes it), "raise OPERATION NUMBER PATH",
//                                "unregistered" (no components), "registered-by-start"
//   -- clock Y M D h m s         the time the clock tells
//   -- answers                   the server's answers, "result=false|response=x|
//                                e1=|e2=|e3=|raise=N"; "create=N" makes a creation raise
//   -- call                      "Procedure|argument|..." lines, run in order
//   -- expect                    what each call left, as the runner writes it:
//        > the call line, = its answer, log (a line logged, time stamp removed),
//        post URL [flag] / post-xml / post-given (outputs as passed in), start (a
//        process started), file PATH with "| line" per CR LF ended line and "|~"
//        for bytes after the last, gone PATH, reg (a checksum value), run (a field)
//
// With QMON_CASES_OUT=folder set, each data file is also written there with
// what the calls left as its expectations.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "support/agent_run.h"

namespace qmon::test {

// A procedure a case may call: the arguments of its line; its answer, "" when none.
using Procedure = std::function<std::string(AgentRun&, const std::vector<std::string>&)>;

// Runs every case of a data file; `name` names the file in failures and output.
void RunCases(const std::string& name, std::string_view text,
              const std::map<std::string, Procedure>& procedures);

inline std::string YesNo(bool b) { return b ? "true" : "false"; }

}  // namespace qmon::test
