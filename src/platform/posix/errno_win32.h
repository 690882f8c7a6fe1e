// What a failed system call means on the emulated machine: the Win32 error
// code the same failure gives on Windows, so both backends report it alike.
#pragma once

#include <cstdint>

namespace qmon::platform::posix {

// The Win32 error code (GetLastError) for an errno value.
int32_t Win32ErrorOfErrno(int err);

}  // namespace qmon::platform::posix
