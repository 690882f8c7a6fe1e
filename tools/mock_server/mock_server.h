// The mock monitoring server: the two pages of the monitoring server over
// HTTP on the loopback address, with a request log and failures on demand.
#pragma once

#include <httplib.h>

#include <atomic>

#include "options.h"
#include "request_log.h"
#include "stop_signal.h"

namespace qmon::mock {

class MockServer {
 public:
  explicit MockServer(const Options& options);

  // False when the request log cannot be opened.
  bool ready() const { return log_.ok(); }
  // Binds 127.0.0.1 and starts listening; answers the port, or -1.
  int Bind();
  // Serves until Stop(); false when serving failed.
  bool Run();
  // Wakes stalled handlers and ends Run. Callable from any thread; has no
  // effect before Run has started, so callers repeat it until Run returns.
  void Stop();
  bool stopped() const { return stop_.Raised(); }

 private:
  void Handle(const httplib::Request& request, httplib::Response& response);

  const Options options_;
  RequestLog log_;
  StopSignal stop_;
  std::atomic<long> requests_{0};
  httplib::Server server_;
};

}  // namespace qmon::mock
