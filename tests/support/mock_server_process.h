// The mock monitoring server (build/qmon_mock_server) as a child process, for
// tests that post over real HTTP, and a reader of its request log.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qmon::test {

class MockServerProcess {
 public:
  // Starts the server with `args` and "--port 0" and reads the port it
  // prints. Throws std::runtime_error when it does not start.
  explicit MockServerProcess(const std::vector<std::string>& args);
  // Stops the server when Stop() was not called, so no test leaves one
  // running, whatever its assertions did.
  ~MockServerProcess();
  MockServerProcess(const MockServerProcess&) = delete;
  MockServerProcess& operator=(const MockServerProcess&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `pathAndQuery`.
  std::string Url(const std::string& pathAndQuery) const;
  // Sends SIGTERM and reaps the server; answers its wait status. A server
  // that does not end is killed after a grace period, which shows in the
  // status.
  int Stop();

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// One block of the server's request log.
struct LoggedRequest {
  std::string method;
  std::string target;  // path and query as sent
  std::string contentType;
  std::string body;
};

// The blocks of a request log, in order; none when the file is missing.
std::vector<LoggedRequest> ReadRequestLog(const std::string& path);

}  // namespace qmon::test
