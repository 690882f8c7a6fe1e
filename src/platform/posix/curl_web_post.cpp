#include "platform/posix/curl_web_post.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/cp1252.h"
#include "platform/posix/shared_library.h"
#include "platform/web_post_charset.h"
#include "platform/web_post_rules.h"

namespace qmon::platform::posix {
namespace {

// The calls a post makes of one libcurl, and the protocols it may speak (a
// libcurl refuses a list that names one it was built without).
struct CurlApi {
  const char* protocols;
  decltype(&curl_global_init) global_init;
  decltype(&curl_global_cleanup) global_cleanup;
  decltype(&curl_easy_init) easy_init;
  decltype(&curl_easy_cleanup) easy_cleanup;
  decltype(&curl_easy_setopt) easy_setopt;
  decltype(&curl_easy_perform) easy_perform;
  decltype(&curl_easy_getinfo) easy_getinfo;
  decltype(&curl_slist_append) slist_append;
  decltype(&curl_slist_free_all) slist_free_all;
};

// A libcurl with its process-wide state, set up when first used (thread-safe
// as a function-local static) and released at exit.
class CurlRuntime {
 public:
  // The HTTP-only libcurl linked into the program.
  CurlRuntime()
      : api_{"http",
             &curl_global_init,
             &curl_global_cleanup,
             &curl_easy_init,
             &curl_easy_cleanup,
             &curl_easy_setopt,
             &curl_easy_perform,
             &curl_easy_getinfo,
             &curl_slist_append,
             &curl_slist_free_all} {
    Start();
  }
  // The system's libcurl, with TLS and everything else it was built with.
  explicit CurlRuntime(const char* soname) : library_(soname) {
    api_.protocols = "http,https";
    if (library_->Bind("curl_global_init", api_.global_init) &&
        library_->Bind("curl_global_cleanup", api_.global_cleanup) &&
        library_->Bind("curl_easy_init", api_.easy_init) &&
        library_->Bind("curl_easy_cleanup", api_.easy_cleanup) &&
        library_->Bind("curl_easy_setopt", api_.easy_setopt) &&
        library_->Bind("curl_easy_perform", api_.easy_perform) &&
        library_->Bind("curl_easy_getinfo", api_.easy_getinfo) &&
        library_->Bind("curl_slist_append", api_.slist_append) &&
        library_->Bind("curl_slist_free_all", api_.slist_free_all)) {
      Start();
    }
  }
  ~CurlRuntime() {
    if (ready_) api_.global_cleanup();
  }
  // Null when the library could not be loaded or set up.
  const CurlApi* api() const { return ready_ ? &api_ : nullptr; }

 private:
  void Start() { ready_ = api_.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }

  std::optional<SharedLibrary> library_;
  CurlApi api_{};
  bool ready_ = false;
};

const CurlApi* LinkedCurl() {
  static const CurlRuntime runtime;
  return runtime.api();
}

const CurlApi* SystemCurl() {
  static const CurlRuntime runtime("libcurl.so.4");
  return runtime.api();
}

// What one exchange gathered through libcurl's callbacks. The callbacks
// must not throw through libcurl's C frames: a failed allocation is noted and
// ends the transfer.
struct Exchange {
  const CurlApi& api;
  CURL* handle;
  std::string body;
  std::string reason;  // of the last status line
  bool tooLarge = false;
  bool outOfMemory = false;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto& exchange = *static_cast<Exchange*>(user);
  const size_t bytes = size * count;
  if (bytes > kMaxResponseBytes - exchange.body.size()) {
    exchange.tooLarge = true;
    return 0;  // a short count makes libcurl abort the transfer
  }
  try {
    // A told length sizes the buffer once (a template runs to megabytes).
    curl_off_t length = -1;
    if (exchange.body.empty() &&
        exchange.api.easy_getinfo(exchange.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) ==
            CURLE_OK &&
        length > 0) {
      exchange.body.reserve(std::min(static_cast<size_t>(length), kMaxResponseBytes));
    }
    exchange.body.append(data, bytes);
  } catch (const std::bad_alloc&) {
    exchange.outOfMemory = true;
    return 0;
  }
  return bytes;
}

// Keeps the reason phrase of each status line ("HTTP/1.1 500 Internal Server
// Error"); HTTP/2 status lines carry none.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto& exchange = *static_cast<Exchange*>(user);
  const size_t bytes = size * count;
  std::string_view line(data, bytes);
  if (line.substr(0, 5) != "HTTP/") return bytes;
  const auto code = line.find(' ');
  const auto reason = code == std::string_view::npos ? code : line.find(' ', code + 1);
  line = reason == std::string_view::npos ? std::string_view() : line.substr(reason + 1);
  try {
    exchange.reason = line.substr(0, line.find_last_not_of("\r\n") + 1);
  } catch (const std::bad_alloc&) {
    exchange.outOfMemory = true;
    return 0;
  }
  return bytes;
}

// Both libcurls come from one source, so the linked one words every code.
WebPostFailure CurlFailure(CURLcode code, const char* detail) {
  std::string message = curl_easy_strerror(code);
  if (detail != nullptr && *detail != '\0') message += std::string(" (") + detail + ")";
  return {"libcurl error " + std::to_string(code), std::move(message)};
}

using CurlHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using HeaderList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

// One POST through `curl_api`; the decoded answer goes to `text`, libcurl's own
// result to `code`.
std::optional<WebPostFailure> Post(const CurlApi* curl_api, const std::string& xml,
                                   const std::string& url, std::string& text, CURLcode& code) {
  code = CURLE_FAILED_INIT;
  if (curl_api == nullptr) return CurlFailure(code, nullptr);
  const CurlApi& api = *curl_api;
  CurlHandle curl(api.easy_init(), api.easy_cleanup);
  HeaderList headers(api.slist_append(nullptr, "Content-Type: text/xml; charset=utf-8"),
                     api.slist_free_all);
  // An empty Expect spares a second's wait for "100 Continue" on big posts.
  // Appending keeps the list's head; a failed append leaves it whole.
  if (headers && api.slist_append(headers.get(), "Expect:") == nullptr) headers.reset();
  if (!curl || !headers) return CurlFailure(CURLE_OUT_OF_MEMORY, nullptr);

  CURL* h = curl.get();
  char detail[CURL_ERROR_SIZE] = "";
  Exchange exchange{api, h, {}, {}};
  const HttpTimeouts timeouts = TimeoutsFromEnvironment();
  const std::string target = EscapeUrl(url);
  const std::string userAgent = WebPostUserAgent();
  // No CURLOPT_PROXY: libcurl then takes proxies from the environment.
  const CURLcode settings[] = {
      api.easy_setopt(h, CURLOPT_ERRORBUFFER, detail),
      api.easy_setopt(h, CURLOPT_URL, target.c_str()),
      api.easy_setopt(h, CURLOPT_PROTOCOLS_STR, api.protocols),
      api.easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(xml.size())),
      api.easy_setopt(h, CURLOPT_POSTFIELDS, xml.data()),
      api.easy_setopt(h, CURLOPT_HTTPHEADER, headers.get()),
      api.easy_setopt(h, CURLOPT_USERAGENT, userAgent.c_str()),
      api.easy_setopt(h, CURLOPT_NOSIGNAL, 1L),
      api.easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeouts.connect),
      api.easy_setopt(h, CURLOPT_TIMEOUT, timeouts.total),
      api.easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxResponseBytes)),
      api.easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnBody),
      api.easy_setopt(h, CURLOPT_WRITEDATA, &exchange),
      api.easy_setopt(h, CURLOPT_HEADERFUNCTION, &OnHeader),
      api.easy_setopt(h, CURLOPT_HEADERDATA, &exchange),
  };
  for (const CURLcode setting : settings) {
    code = setting;
    if (code != CURLE_OK) return CurlFailure(code, nullptr);
  }

  code = api.easy_perform(h);
  if (exchange.outOfMemory) return CurlFailure(CURLE_OUT_OF_MEMORY, nullptr);
  if (exchange.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
    return ResponseTooLargeFailure();
  }
  if (code != CURLE_OK) return CurlFailure(code, detail);

  long status = 0;
  api.easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  if (status < 200 || status > 299) {
    return HttpStatusFailure(status, exchange.reason);
  }
  const char* contentType = nullptr;
  api.easy_getinfo(h, CURLINFO_CONTENT_TYPE, &contentType);
  // The emulated machine's ANSI code page.
  text = ResponseText(std::move(exchange.body), contentType != nullptr ? contentType : "",
                      Cp1252CodePage());
  return std::nullopt;
}

// Plain HTTP goes through the linked libcurl. What it was built without
// (https, an HTTPS proxy) it refuses before connecting, and the system's
// libcurl then makes the post.
std::optional<WebPostFailure> Post(const std::string& xml, const std::string& url,
                                   std::string& text) {
  CURLcode code;
  auto failure = Post(LinkedCurl(), xml, url, text, code);
  if (code != CURLE_UNSUPPORTED_PROTOCOL && code != CURLE_NOT_BUILT_IN) return failure;
  return Post(SystemCurl(), xml, url, text, code);
}

}  // namespace

bool CurlWebPost::PostXMLString(std::string& xml, bool /*flag*/, std::string& url,
                                std::string /*arg4*/, std::string /*arg5*/, std::string& response,
                                std::string& error1, std::string& error2, std::string& error3) {
  std::string text;
  std::optional<WebPostFailure> failure;
  try {
    failure = Post(xml, url, text);
  } catch (const std::bad_alloc&) {
    failure = CurlFailure(CURLE_OUT_OF_MEMORY, nullptr);
  }
  WebPostAnswer answer = AnswerOf(failure, std::move(text), url);
  response = std::move(answer.response);
  error1 = std::move(answer.error1);
  error2 = std::move(answer.error2);
  error3 = std::move(answer.error3);
  return answer.ok;
}

void RegisterCurlWebPost(ComponentRegistry& registry) {
  registry.Register("qWbPost.WebPost", []() -> std::unique_ptr<WebPostObject> {
    if (LinkedCurl() == nullptr) return nullptr;
    return std::make_unique<CurlWebPost>();
  });
}

}  // namespace qmon::platform::posix
