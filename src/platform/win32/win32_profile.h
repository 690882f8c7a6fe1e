// The profile engine over the system's files. File names are paths in the
// system's ANSI code page, as the A functions take them; the files are opened
// through their UTF-16 names.
#pragma once

#include <memory>

#include "platform/env.h"

namespace qmon::platform::win32 {

std::unique_ptr<Profile> MakeWin32Profile();

}  // namespace qmon::platform::win32
