// The file in which the mock server records every request it receives, for
// tests to read. One block per request, written whole with one write:
//   === POST /tfr_wpscriptmontmpltdtls.asp?mmid=2002&sid=3003
//   Content-Type: text/xml; charset=utf-8
//   <empty line>
//   <the body's bytes>
//   === end
// The body is followed by a line feed before "=== end".
#pragma once

#include <mutex>
#include <string>

namespace httplib {
struct Request;
}

namespace qmon::mock {

class RequestLog {
 public:
  // Appends to `path`; an empty path records nothing.
  explicit RequestLog(const std::string& path);
  ~RequestLog();
  RequestLog(const RequestLog&) = delete;
  RequestLog& operator=(const RequestLog&) = delete;

  // False when the file could not be opened.
  bool ok() const { return path_.empty() || fd_ >= 0; }

  void Append(const httplib::Request& request);

 private:
  std::string path_;
  int fd_ = -1;
  std::mutex mutex_;
};

}  // namespace qmon::mock
