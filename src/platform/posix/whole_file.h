// Writing a file whole: the bytes go to the target's temporary file
// (platform/temp_name.h) first, which then takes the target's name, so a
// reader finds the target as it was or as it is meant to be, never half
// written.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace qmon::platform::posix {

// Makes the target's temporary file anew, empty and open for writing,
// replacing one that an interrupted write left behind. Answers the
// descriptor, or -1 with errno set; *temp is its path.
int OpenTemp(const std::string& target, std::string* temp);

// Gives the open temporary file the permissions and, where allowed, the
// owner of the existing target; nothing when there is no target. 0 or errno.
int TakeOverAttributes(int fd, const std::string& target);

// Renames the temporary file over the target, or with `exclusive` gives it
// the target's name only when that does not exist (EEXIST otherwise).
// Answers 0 or errno; on failure the temporary file is removed.
int PutInPlace(const std::string& temp, const std::string& target, bool exclusive);

// All of the above for bytes at hand: writes them to the temporary file and
// puts it in place (with `exclusive`, only where no target exists; a replaced
// target's permissions and owner carry over). `sync` puts the bytes on disk
// before the rename, so that after a power loss the target is the old file
// or the new one. Answers 0 or errno; *placed is the file under its name.
int WriteWhole(const std::string& target, std::string_view bytes, bool exclusive, bool sync,
               struct stat* placed);

}  // namespace qmon::platform::posix
