// What the web-post components of both builds ("qWbPost.WebPost") share, so
// that a post behaves and fails alike whichever transport carries it: the
// time-outs, the size cap, the user agent, how a URL is escaped and the
// wording of the failures the transports have in common.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qmon::platform {

// Time-outs of one post, in seconds.
struct HttpTimeouts {
  long connect = 30;
  long total = 120;
};

// The defaults, each replaced by QMON_HTTP_CONNECT_TIMEOUT or
// QMON_HTTP_TIMEOUT when that holds a whole number of seconds from 1 to
// 86400 (blanks around it allowed); any other value is ignored.
HttpTimeouts TimeoutsFromEnvironment();

// The largest answer body accepted; a bigger one fails the post.
inline constexpr size_t kMaxResponseBytes = 8 * 1024 * 1024;

// "qMonIniWriter/<major>.<minor>.<revision>".
std::string WebPostUserAgent();

// Percent-encodes the bytes a request line cannot carry (blanks and
// controls) and those outside ASCII, as a browser sends a typed address;
// everything else, existing escapes included, stays.
std::string EscapeUrl(std::string_view url);

// Why a post failed: error1 and error2 of PostXMLString.
struct WebPostFailure {
  std::string what;     // a short name: "HTTP 500", "Response too large", ...
  std::string message;  // the same in words
};

// A completed exchange whose status is not 2xx; `reason` is the status
// line's reason phrase, possibly empty.
WebPostFailure HttpStatusFailure(long status, std::string_view reason);

// An answer body over kMaxResponseBytes.
WebPostFailure ResponseTooLargeFailure();

// PostXMLString's outputs.
struct WebPostAnswer {
  bool ok = false;
  std::string response, error1, error2, error3;
};

// On success the decoded `text` with empty error details; on failure an empty
// response, the failure's two texts and the URL as the third detail.
WebPostAnswer AnswerOf(const std::optional<WebPostFailure>& failure, std::string text,
                       const std::string& url);

}  // namespace qmon::platform
