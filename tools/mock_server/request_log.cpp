#include "request_log.h"

#include <fcntl.h>
#include <httplib.h>
#include <unistd.h>

#include <cerrno>

namespace qmon::mock {

RequestLog::RequestLog(const std::string& path) : path_(path) {
  if (!path_.empty()) fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
}

RequestLog::~RequestLog() {
  if (fd_ >= 0) ::close(fd_);
}

void RequestLog::Append(const httplib::Request& request) {
  if (fd_ < 0) return;
  const std::string block = "=== " + request.method + " " + request.target + "\n" +
                            "Content-Type: " + request.get_header_value("Content-Type") + "\n\n" +
                            request.body + "\n=== end\n";
  // One block at a time, so concurrent requests never interleave; the file
  // has no user-space buffer, so a reader sees each block once it is written.
  std::lock_guard<std::mutex> lock(mutex_);
  size_t written = 0;
  while (written < block.size()) {
    const ssize_t n = ::write(fd_, block.data() + written, block.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    written += static_cast<size_t>(n);
  }
}

}  // namespace qmon::mock
