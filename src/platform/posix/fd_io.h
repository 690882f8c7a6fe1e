// Whole reads and writes through a file descriptor, resumed when a signal
// interrupts them: the one copy every part of the POSIX backend uses.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace qmon::platform::posix {

// Appends the rest of the file to *out; answers 0 or errno.
int ReadAll(int fd, std::string* out);

// Writes all of `data`, then all of `more`, at the file position, in one
// system call when the system takes it whole; answers 0 or errno.
int WriteAll(int fd, std::string_view data, std::string_view more = {});

// The folder of a native path: "." for a bare name.
std::string FolderOf(const std::string& native);

}  // namespace qmon::platform::posix
