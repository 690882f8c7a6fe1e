#include "winhttp_post.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/web_post_charset.h"
#include "platform/win32/ansi_code_page.h"
#include "wide_text.h"

namespace qmon::qwbpost {
namespace {

using platform::kMaxResponseBytes;
using platform::WebPostFailure;

struct InternetCloser {
  void operator()(HINTERNET handle) const { ::WinHttpCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, InternetCloser>;

struct LocalCloser {
  void operator()(wchar_t* text) const { ::LocalFree(text); }
};

// The failures a post meets most, worded as the Linux build words the same
// failure, so that the server's logs read alike whichever build posted.
constexpr struct {
  DWORD code;
  const char* text;
} kWordings[] = {
    {ERROR_WINHTTP_UNRECOGNIZED_SCHEME, "Unsupported protocol"},
    {ERROR_WINHTTP_INVALID_URL, "URL using bad/illegal format or missing URL"},
    {ERROR_WINHTTP_NAME_NOT_RESOLVED, "Couldn't resolve host name"},
    {ERROR_WINHTTP_CANNOT_CONNECT, "Couldn't connect to server"},
    {ERROR_WINHTTP_TIMEOUT, "Timeout was reached"},
    {ERROR_WINHTTP_CONNECTION_ERROR, "Failure when receiving data from the peer"},
    {ERROR_WINHTTP_INVALID_SERVER_RESPONSE, "Invalid or empty reply from server"},
    {ERROR_WINHTTP_SECURE_FAILURE, "SSL connect error"},
};

// The system describes the other codes: WinHTTP's own in winhttp.dll, the
// rest in its message table.
std::string SystemDescription(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      ::GetModuleHandleW(L"winhttp.dll"), code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const std::unique_ptr<wchar_t, LocalCloser> owner(buffer);
  std::string text = length > 0 ? Utf8FromWide({buffer, length}) : std::string();
  text.erase(text.find_last_not_of(" \r\n") + 1);
  return text.empty() ? "the system has no description of error " + std::to_string(code) : text;
}

WebPostFailure TransportFailure(DWORD code) {
  const auto wording = std::find_if(std::begin(kWordings), std::end(kWordings),
                                    [code](const auto& w) { return w.code == code; });
  return {"WinHTTP error " + std::to_string(code),
          wording != std::end(kWordings) ? wording->text : SystemDescription(code)};
}

WebPostFailure LastFailure() { return TransportFailure(::GetLastError()); }

// WinHTTP bounds each blocking step on its own; the total time-out holds the
// whole exchange because every step gets only the time left.
class Deadline {
 public:
  explicit Deadline(const platform::HttpTimeouts& timeouts)
      : connectMs_(timeouts.connect * 1000),
        end_(::GetTickCount64() + static_cast<ULONGLONG>(timeouts.total) * 1000) {}

  // Gives the request's next step what is left; false (with the last error
  // set) once nothing is.
  bool Bound(HINTERNET request) const {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= end_) {
      ::SetLastError(ERROR_WINHTTP_TIMEOUT);
      return false;
    }
    const int left = static_cast<int>(end_ - now);  // at most a day
    const int connect = static_cast<int>(std::min<long>(left, connectMs_));
    DWORD response = static_cast<DWORD>(left);
    return ::WinHttpSetTimeouts(request, connect, connect, left, left) &&
           ::WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response,
                              sizeof response);
  }

 private:
  long connectMs_;
  ULONGLONG end_;
};

// A response header's value; nullopt when the answer has none.
std::optional<std::wstring> HeaderOf(HINTERNET request, DWORD query) {
  DWORD bytes = 0;
  ::WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                        &bytes, WINHTTP_NO_HEADER_INDEX);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
  std::wstring value(bytes / sizeof(wchar_t), L'\0');
  if (!::WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &bytes,
                             WINHTTP_NO_HEADER_INDEX)) {
    return std::nullopt;
  }
  value.resize(bytes / sizeof(wchar_t));
  return value;
}

// A declared length over the cap fails before any of the body is read.
bool DeclaredTooLarge(HINTERNET request) {
  const auto length = HeaderOf(request, WINHTTP_QUERY_CONTENT_LENGTH);
  if (!length) return false;
  const std::string digits = Utf8FromWide(*length);
  uint64_t bytes = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), bytes);
  return ec == std::errc::result_out_of_range || (ec == std::errc() && bytes > kMaxResponseBytes);
}

// One POST; the decoded answer goes to `text`.
std::optional<WebPostFailure> Post(const std::string& xml, const std::string& url,
                                   std::string& text) {
  const Deadline deadline(platform::TimeoutsFromEnvironment());
  const std::wstring target = WideFromUtf8(platform::EscapeUrl(url));
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
  if (!::WinHttpCrackUrl(target.c_str(), 0, 0, &parts)) return LastFailure();
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  // The query follows the path in the same text; a request line's target
  // starts with "/" even when the URL has no path.
  const wchar_t* path = parts.lpszUrlPath != nullptr ? parts.lpszUrlPath : parts.lpszExtraInfo;
  std::wstring object(path != nullptr ? path : L"",
                      parts.dwUrlPathLength + parts.dwExtraInfoLength);
  if (object.empty() || object.front() != L'/') object.insert(0, 1, L'/');
  if (xml.size() > MAXDWORD) return TransportFailure(ERROR_INVALID_PARAMETER);
  const auto size = static_cast<DWORD>(xml.size());

  const Internet session(::WinHttpOpen(WideFromUtf8(platform::WebPostUserAgent()).c_str(),
                                       WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return LastFailure();
  const Internet connection(::WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connection) return LastFailure();
  const Internet request(
      ::WinHttpOpenRequest(connection.get(), L"POST", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                           WINHTTP_DEFAULT_ACCEPT_TYPES,
                           parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
  if (!request) return LastFailure();
  HINTERNET h = request.get();
  DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  if (!::WinHttpSetOption(h, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never)) {
    return LastFailure();
  }
  // WinHTTP only reads the body it is handed.
  void* body = const_cast<char*>(xml.data());
  if (!deadline.Bound(h) ||
      !::WinHttpSendRequest(h, L"Content-Type: text/xml; charset=utf-8", DWORD(-1), body, size,
                            size, 0) ||
      !deadline.Bound(h) || !::WinHttpReceiveResponse(h, nullptr)) {
    return LastFailure();
  }
  if (DeclaredTooLarge(h)) return platform::ResponseTooLargeFailure();

  // One byte past the cap tells a body over it from one that fills it.
  std::string answer;
  for (;;) {
    const size_t old = answer.size();
    const size_t chunk = std::min<size_t>(kMaxResponseBytes + 1 - old, 64 * 1024);
    answer.resize(old + chunk);
    DWORD read = 0;
    if (!deadline.Bound(h) ||
        !::WinHttpReadData(h, answer.data() + old, static_cast<DWORD>(chunk), &read)) {
      return LastFailure();
    }
    answer.resize(old + read);
    if (read == 0) break;
    if (answer.size() > kMaxResponseBytes) return platform::ResponseTooLargeFailure();
  }

  DWORD status = 0;
  DWORD statusSize = sizeof status;
  if (!::WinHttpQueryHeaders(h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize,
                             WINHTTP_NO_HEADER_INDEX)) {
    return LastFailure();
  }
  if (status < 200 || status > 299) {
    const auto reason = HeaderOf(h, WINHTTP_QUERY_STATUS_TEXT);
    return platform::HttpStatusFailure(status, reason ? Utf8FromWide(*reason) : std::string());
  }
  const auto contentType = HeaderOf(h, WINHTTP_QUERY_CONTENT_TYPE);
  text = platform::ResponseText(std::move(answer),
                                contentType ? Utf8FromWide(*contentType) : std::string(),
                                platform::win32::AnsiCodePage());
  return std::nullopt;
}

}  // namespace

platform::WebPostAnswer PostOverWinHttp(const std::string& xml, const std::string& url) {
  std::string text;
  const auto failure = Post(xml, url, text);
  return platform::AnswerOf(failure, std::move(text), url);
}

}  // namespace qmon::qwbpost
