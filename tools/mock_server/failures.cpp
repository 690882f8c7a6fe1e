#include "failures.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <string_view>

#include "connection_drop.h"

namespace qmon::mock {
namespace {

constexpr std::string_view kErrorPage =
    "<html><head><title>500 - Internal server error.</title></head>\n"
    "<body><h1>Server Error</h1><p>The page cannot be displayed.</p></body></html>\n";

// Bytes no XML parser takes, and not valid UTF-8 either.
constexpr std::string_view kGarbage = "\x89PNG\r\n\x1a\n\xff\xfe not XML <<<\x80\x81\xc3";

// Writes up to `remaining` filler bytes, one piece at a time.
bool WriteFiller(size_t remaining, httplib::DataSink& sink) {
  static const std::string piece(64 * 1024, 'x');
  return sink.write(piece.data(), std::min(remaining, piece.size()));
}

}  // namespace

bool AnswerFailure(const Options& options, StopSignal& stop, const httplib::Request& request,
                   httplib::Response& response) {
  switch (options.fail) {
    case FailMode::kNone:
      return false;
    case FailMode::kHttp500:
      response.status = 500;
      response.set_content(std::string(kErrorPage), "text/html");
      return true;
    case FailMode::kStall:
      stop.WaitFor(std::chrono::seconds(options.stallSeconds));
      return false;
    case FailMode::kClose:
      DropConnection(request.local_port, request.remote_port);
      return true;
    case FailMode::kGarbage:
      response.set_content(std::string(kGarbage), "application/octet-stream");
      return true;
    case FailMode::kHuge:
      response.set_content_provider(options.hugeBytes, "text/xml",
                                    [](size_t, size_t remaining, httplib::DataSink& sink) {
                                      return WriteFiller(remaining, sink);
                                    });
      return true;
    case FailMode::kHugeChunked:
      response.set_chunked_content_provider(
          "text/xml", [total = options.hugeBytes](size_t offset, httplib::DataSink& sink) {
            if (offset < total) return WriteFiller(total - offset, sink);
            sink.done();
            return true;
          });
      return true;
  }
  return false;
}

}  // namespace qmon::mock
