// The runtime error a failed Win32 call raises in the scripting runtime.
#pragma once

#include <cstdint>

#include "platform/vb_error.h"

namespace qmon::platform::win32 {

// Throws VbErrorFromWin32(GetLastError()).
[[noreturn]] void ThrowLastError();

}  // namespace qmon::platform::win32
