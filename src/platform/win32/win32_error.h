// The runtime error a failed Win32 call raises in the scripting runtime.
#pragma once

#include <cstdint>

#include "platform/vb_error.h"

namespace qmon::platform::win32 {

// The runtime's number and text for a Win32 error code (GetLastError).
VbError VbErrorFromWin32(uint32_t code);

// Throws VbErrorFromWin32(GetLastError()).
[[noreturn]] void ThrowLastError();

}  // namespace qmon::platform::win32
