// The run driver: one pass of the program, from the instance check to the
// closing lines of the log. main() includes this header only.
#pragma once

#include <string>

#include "run/run.h"

namespace qmon {

// One run. `commandLine` is everything after the program's name. Ends by
// throwing ProcessEnd (the process then exits); never returns normally.
[[noreturn]] void Main(Run& run, const std::string& commandLine);

}  // namespace qmon
