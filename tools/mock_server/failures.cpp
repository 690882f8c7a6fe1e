#include "failures.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string_view>

#include "connection_drop.h"
#include "pages.h"

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

// A template answer whose function name is the entity `name`, declared in
// its DOCTYPE with `entities`.
std::string EntityAnswer(const std::string& entities, const char* name) {
  return "<?xml version=\"1.0\"?><!DOCTYPE wpscriptmontmpltdtls [" + entities +
         "]><wpscriptmontmpltdtls><scriptinstance><templateid>1</templateid>"
         "<scriptsjobid>1</scriptsjobid><scriptid>900</scriptid><agentcategory>c</agentcategory>"
         "<agenttemplatename>&" +
         name +
         ";</agenttemplatename><userlogonconfig>0</userlogonconfig><startdate/><enddate/>"
         "<neverend>1</neverend><step><osdrv thval=\"90\">GT</osdrv></step></scriptinstance>"
         "</wpscriptmontmpltdtls>";
}

// Nine levels of ten references over "lol": 3 * 10^9 bytes once expanded.
std::string BombEntities() {
  std::string entities = "<!ENTITY l0 \"lol\">";
  for (int level = 1; level <= 9; ++level) {
    std::string references;
    for (int i = 0; i < 10; ++i) references += "&l" + std::to_string(level - 1) + ";";
    entities += "<!ENTITY l" + std::to_string(level) + " \"" + references + "\">";
  }
  return entities;
}

constexpr size_t kDripBytes = 8;

// The page's own answer, sent kDripBytes at a time with a pause before each.
void Drip(const Options& options, StopSignal& stop, const httplib::Request& request,
          httplib::Response& response) {
  AnswerPage(options, request, response);
  const auto body = std::make_shared<std::string>(std::move(response.body));
  const std::string type = response.get_header_value("Content-Type");
  response.body.clear();
  response.headers.erase("Content-Type");
  response.set_content_provider(
      body->size(), type, [body, &stop](size_t offset, size_t length, httplib::DataSink& sink) {
        stop.WaitFor(std::chrono::milliseconds(100));
        return !stop.Raised() && sink.write(body->data() + offset, std::min(length, kDripBytes));
      });
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
    case FailMode::kReset:
      DropConnection(request.local_port, request.remote_port, options.fail == FailMode::kReset);
      return true;
    case FailMode::kDrip:
      Drip(options, stop, request, response);
      return true;
    case FailMode::kEntityBomb:
      response.set_content(EntityAnswer(BombEntities(), "l9"), "text/xml");
      return true;
    case FailMode::kExternalEntity:
      response.set_content(EntityAnswer("<!ENTITY passwd SYSTEM \"file:///etc/passwd\">", "passwd"),
                           "text/xml");
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
