// The temporary file of a whole-file write on Windows (platform/temp_name.h).
#pragma once

#include <string>

namespace qmon::platform::win32 {

// The temporary file beside `target` (UTF-8), as a UTF-16 path, with what an
// interrupted write left under that name removed, so it can be created anew.
std::wstring FreshTempBeside(const std::string& target);

}  // namespace qmon::platform::win32
