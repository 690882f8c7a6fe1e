#include "mock_server.h"

#include <sys/socket.h>

#include "failures.h"
#include "pages.h"

namespace qmon::mock {

namespace {
// Only the machine itself may reach the server.
constexpr char kLoopback[] = "127.0.0.1";
}  // namespace

MockServer::MockServer(const Options& options) : options_(options), log_(options.log) {
  const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
    Handle(request, response);
  };
  server_.Get(".*", handler)
      .Post(".*", handler)
      .Put(".*", handler)
      .Patch(".*", handler)
      .Delete(".*", handler)
      .Options(".*", handler);
  // An idle kept-alive connection holds a worker this long: short, so a stop
  // is prompt.
  server_.set_keep_alive_timeout(1);
  server_.set_payload_max_length(size_t{64} * 1024 * 1024);
  // cpp-httplib's default also sets SO_REUSEPORT, which would let a second
  // server share a busy port instead of failing.
  server_.set_socket_options([](int socket) {
    const int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  });
}

int MockServer::Bind() {
  if (options_.port == 0) return server_.bind_to_any_port(kLoopback);
  return server_.bind_to_port(kLoopback, options_.port) ? options_.port : -1;
}

bool MockServer::Run() { return server_.listen_after_bind(); }

void MockServer::Stop() {
  stop_.Raise();
  server_.stop();
}

void MockServer::Handle(const httplib::Request& request, httplib::Response& response) {
  log_.Append(request);
  const long number = ++requests_;
  const bool fail = !options_.failFirst || number <= *options_.failFirst;
  if (fail && AnswerFailure(options_, stop_, request, response)) return;
  AnswerPage(options_, request, response);
}

}  // namespace qmon::mock
