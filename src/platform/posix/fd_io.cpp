#include "platform/posix/fd_io.h"

#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qmon::platform::posix {

int ReadAll(int fd, std::string* out, size_t size) {
  // The loop still reads whatever is there, more or less than `size`.
  out->reserve(out->size() + size);
  char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    out->append(chunk, static_cast<size_t>(n));
  }
}

int WriteAll(int fd, std::string_view data, std::string_view more) {
  // A short text and its ending (a log line and its line end) go joined as
  // one plain write, which costs the kernel less than a writev.
  char joined[4096];
  if (!more.empty() && data.size() + more.size() <= sizeof joined) {
    std::memcpy(joined, data.data(), data.size());
    std::memcpy(joined + data.size(), more.data(), more.size());
    data = std::string_view(joined, data.size() + more.size());
    more = {};
  }
  while (more.empty() && !data.empty()) {
    const ssize_t n = write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  while (!data.empty() || !more.empty()) {
    iovec parts[] = {{const_cast<char*>(data.data()), data.size()},
                     {const_cast<char*>(more.data()), more.size()}};
    const ssize_t n = writev(fd, parts, 2);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    const size_t from_data = std::min(static_cast<size_t>(n), data.size());
    data.remove_prefix(from_data);
    more.remove_prefix(static_cast<size_t>(n) - from_data);
  }
  return 0;
}

std::string FolderOf(const std::string& native) {
  const size_t slash = native.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : native.substr(0, slash);
}

}  // namespace qmon::platform::posix
