// The runtime errors that failing COM calls raise, as a late-bound caller
// sees them.
#pragma once

#include <cstdint>

#include "platform/vb_error.h"

namespace qmon::platform::win32 {

// Where the HRESULT came from: creating an object (CreateObject) or calling it.
enum class ComStep { kCreate, kCall };

// The runtime error for a failing HRESULT: the runtime's own number where it
// has one (the class-not-registered family of creation is 429), otherwise
// the HRESULT itself as a signed number with the text "Automation error".
VbError VbErrorFromHresult(int32_t hr, ComStep step);

}  // namespace qmon::platform::win32
