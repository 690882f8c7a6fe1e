// Runs the real program against a prefix, as the scheduler would start it.
#pragma once

#include <sys/types.h>

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

// Starts `program` as RunProgram does, its standard output also going to
// `outputFd` when that is not -1; answers its process id.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::string>& environment, const std::string& output = "",
            int outputFd = -1);

// One line read from a pipe, without its line feed; empty when every writer
// closed without one.
std::string ReadLine(int fd);

}  // namespace qmon::test
