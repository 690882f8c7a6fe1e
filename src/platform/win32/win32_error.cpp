#include "platform/win32/win32_error.h"

#include <windows.h>

namespace qmon::platform::win32 {

void ThrowLastError() { throw VbErrorFromWin32(GetLastError()); }

}  // namespace qmon::platform::win32
