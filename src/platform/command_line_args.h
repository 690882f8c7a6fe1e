// A Windows command line split into its arguments, as CommandLineToArgvW
// splits it, so that the Linux build starts a program with the arguments a
// Windows program would receive, without a shell in between.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmon::platform {

// The program name first: a "quoted" name ends at the next quote, a plain one
// at the first blank or tab. Then the arguments, parted by blanks and tabs
// outside quotes; 2n backslashes before a quote give n backslashes and the
// quote opens or closes quoting, 2n+1 give n and a literal quote; other
// backslashes are literal; in a run of quotes every third one is a literal
// quote.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace qmon::platform
