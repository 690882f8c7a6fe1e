// Whole reads and writes through a file descriptor, resumed when a signal
// interrupts them: the one copy every part of the POSIX backend uses.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace qmon::platform::posix {

// Appends the rest of the file to *out, its buffer sized once for `size`
// more bytes (what the caller's fstat said, 0 when not known) where doubling
// would copy it over and over; answers 0 or errno.
int ReadAll(int fd, std::string* out, size_t size);

// Writes all of `data`, then all of `more`, at the file position, in one
// system call when the system takes it whole; answers 0 or errno.
int WriteAll(int fd, std::string_view data, std::string_view more = {});

// The folder of a native path: "." for a bare name.
std::string FolderOf(const std::string& native);

}  // namespace qmon::platform::posix
