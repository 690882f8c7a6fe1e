#include "options.h"

#include <charconv>
#include <string_view>
#include <utility>

namespace qmon::mock {

const char kUsage[] =
    "usage: qmon_mock_server [options]\n"
    "Answers the monitoring server's two pages on 127.0.0.1 and prints the port\n"
    "it listens on as the first line of its output. Stops on SIGTERM or SIGINT.\n"
    "  --port N            port to listen on; 0 (the default): one the system picks\n"
    "  --templates DIR     tfr_wpscriptmontmpltdtls.asp answers the bytes of\n"
    "                      DIR/<inid>.xml, <inid> taken from the posted XML; an\n"
    "                      empty answer when there is no such file\n"
    "  --fail-answer TEXT  what tfr_wpdcmsccrgidmontmpupdfail.asp answers (\"1\")\n"
    "  --content-type TEXT content type of both pages' answers\n"
    "                      (\"text/xml; charset=utf-8\")\n"
    "  --log FILE          appends every request received: a line \"=== METHOD\n"
    "                      TARGET\", a line \"Content-Type: ...\", an empty line,\n"
    "                      the body, a line feed and a line \"=== end\"\n"
    "  --fail MODE         fail requests: http500 (500 with an HTML page), stall\n"
    "                      (the answer waits --stall-seconds, 600), close (connection\n"
    "                      closed without an answer), garbage (200 with bytes that\n"
    "                      are not XML), huge or huge-chunked (200 with a body of\n"
    "                      --huge-bytes, 16 MiB, with or without a length), reset\n"
    "                      (connection reset without an answer), drip (the page's\n"
    "                      answer, 8 bytes every 100 ms), entity-bomb or\n"
    "                      external-entity (200 with a template whose DOCTYPE\n"
    "                      declares nested entities or file:///etc/passwd)\n"
    "  --fail-first N      fail only the first N requests\n";

namespace {

constexpr std::pair<std::string_view, FailMode> kModes[] = {
    {"http500", FailMode::kHttp500},
    {"stall", FailMode::kStall},
    {"close", FailMode::kClose},
    {"garbage", FailMode::kGarbage},
    {"huge", FailMode::kHuge},
    {"huge-chunked", FailMode::kHugeChunked},
    {"reset", FailMode::kReset},
    {"drip", FailMode::kDrip},
    {"entity-bomb", FailMode::kEntityBomb},
    {"external-entity", FailMode::kExternalEntity},
};

template <typename Number>
std::optional<Number> WholeNumber(std::string_view text, Number max) {
  Number value{};
  if (text.substr(0, 1) == "-") return std::nullopt;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value > max) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--help") {
      options.help = true;
      return options;
    }
    if (i + 1 >= argc) {
      error = "missing value after " + std::string(name);
      return std::nullopt;
    }
    const std::string_view value = argv[++i];
    bool valid = true;
    if (name == "--port") {
      const auto port = WholeNumber(value, 65535);
      valid = port.has_value();
      options.port = port.value_or(0);
    } else if (name == "--templates") {
      options.templates = value;
    } else if (name == "--fail-answer") {
      options.failAnswer = value;
    } else if (name == "--content-type") {
      options.contentType = value;
    } else if (name == "--log") {
      options.log = value;
    } else if (name == "--fail") {
      valid = false;
      for (const auto& [modeName, mode] : kModes) {
        if (value == modeName) {
          options.fail = mode;
          valid = true;
        }
      }
    } else if (name == "--fail-first") {
      options.failFirst = WholeNumber(value, 1'000'000'000L);
      valid = options.failFirst.has_value();
    } else if (name == "--stall-seconds") {
      const auto seconds = WholeNumber(value, 86'400L);
      valid = seconds.has_value();
      options.stallSeconds = seconds.value_or(0);
    } else if (name == "--huge-bytes") {
      const auto bytes = WholeNumber(value, size_t{1} << 30);
      valid = bytes.has_value();
      options.hugeBytes = bytes.value_or(0);
    } else {
      error = "unknown option " + std::string(name);
      return std::nullopt;
    }
    if (!valid) {
      error = "invalid value for " + std::string(name) + ": " + std::string(value);
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace qmon::mock
