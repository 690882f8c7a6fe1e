// The profile engine over files of the emulated machine. File names are
// Windows-1252 paths of that machine.
#pragma once

#include <memory>

#include "platform/posix/path_map.h"
#include "platform/profile/profile_engine.h"

namespace qmon::platform::posix {

// `map` must outlive the engine.
std::unique_ptr<profile::ProfileEngine> MakePosixProfile(const PathMap& map);

}  // namespace qmon::platform::posix
