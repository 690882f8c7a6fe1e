// The mock monitoring server's command line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace qmon::mock {

// How the server fails the requests it is told to fail.
enum class FailMode {
  kNone,
  kHttp500,         // 500 with an HTML error page
  kStall,           // no answer for --stall-seconds
  kClose,           // the connection is closed without an answer
  kGarbage,         // 200 with bytes that are not XML
  kHuge,            // 200 with --huge-bytes of body, length announced
  kHugeChunked,     // the same, chunked, so the length is not known in advance
  kReset,           // the connection is reset (TCP RST) without an answer
  kDrip,            // the page's own answer, a few bytes at a time with pauses
  kEntityBomb,      // 200 with a template whose entities expand without bound
  kExternalEntity,  // 200 with a template whose text is an external file
};

struct Options {
  int port = 0;           // 0: the system picks one
  std::string templates;  // folder of <inid>.xml answers; empty: none
  std::string failAnswer = "1";
  std::string contentType = "text/xml; charset=utf-8";
  std::string log;  // request log file; empty: no log
  FailMode fail = FailMode::kNone;
  long stallSeconds = 600;
  size_t hugeBytes = size_t{16} * 1024 * 1024;
  std::optional<long> failFirst;  // fail only this many first requests
  bool help = false;
};

extern const char kUsage[];

// The options of argv; nullopt with `error` set when they are wrong.
std::optional<Options> ParseOptions(int argc, char** argv, std::string& error);

}  // namespace qmon::mock
