#include "platform/web_post_rules.h"

#include <charconv>
#include <cstdlib>
#include <utility>

namespace qmon::platform {
namespace {

constexpr long kMaxTimeoutSeconds = 86400;

std::optional<long> SecondsFrom(const char* variable) {
  const char* value = std::getenv(variable);
  if (value == nullptr) return std::nullopt;
  std::string_view text(value);
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  long seconds = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (seconds < 1 || seconds > kMaxTimeoutSeconds) return std::nullopt;
  return seconds;
}

}  // namespace

HttpTimeouts TimeoutsFromEnvironment() {
  HttpTimeouts timeouts;
  if (const auto seconds = SecondsFrom("QMON_HTTP_CONNECT_TIMEOUT")) timeouts.connect = *seconds;
  if (const auto seconds = SecondsFrom("QMON_HTTP_TIMEOUT")) timeouts.total = *seconds;
  return timeouts;
}

std::string WebPostUserAgent() {
  return "qMonIniWriter/" + std::to_string(QMON_VERSION_MAJOR) + "." +
         std::to_string(QMON_VERSION_MINOR) + "." + std::to_string(QMON_VERSION_REVISION);
}

std::string EscapeUrl(std::string_view url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size());
  for (const char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

WebPostFailure HttpStatusFailure(long status, std::string_view reason) {
  return {"HTTP " + std::to_string(status),
          reason.empty() ? "the server answered status " + std::to_string(status)
                         : std::string(reason)};
}

WebPostFailure ResponseTooLargeFailure() {
  return {"Response too large", "the server's answer exceeds the limit of " +
                                    std::to_string(kMaxResponseBytes) + " bytes"};
}

WebPostAnswer AnswerOf(const std::optional<WebPostFailure>& failure, std::string text,
                       const std::string& url) {
  if (failure) return {false, "", failure->what, failure->message, url};
  return {true, std::move(text), "", "", ""};
}

}  // namespace qmon::platform
