// The runtime's Command: what follows the program's name on its command line.
#pragma once

#include <string>
#include <string_view>

namespace qmon::platform::win32 {

// `line` without the program name (a "quoted" name ends at its closing
// quote, a plain one at the first blank or tab) and the blanks and tabs after
// it; the rest exactly as given.
std::string ArgumentsOf(std::string_view line);

}  // namespace qmon::platform::win32
