// Runs the real program against a prefix, as the scheduler would start it.
#pragma once

#include <string>
#include <vector>

namespace qmon::test {

// Starts the built qMonIniWriter with QMON_PREFIX=prefix, the given
// arguments and extra environment entries ("NAME=value"), waits for it and
// answers its exit status.
int RunBinary(const std::string& prefix, const std::vector<std::string>& args = {},
              const std::vector<std::string>& extraEnvironment = {});

// Starts `program` with `args` and this process's environment with
// `environment` entries ("NAME=value") replacing or adding theirs, waits for
// it and answers its wait status. With `output`, its standard output goes
// to that file.
int RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& environment, const std::string& output = "");

// One line read from a pipe, without its line feed; empty when every writer
// closed without one.
std::string ReadLine(int fd);

// Log lines with their time stamps removed (both the date-and-time and the
// date-only forms).
std::vector<std::string> WithoutStamps(const std::vector<std::string>& lines);

}  // namespace qmon::test
