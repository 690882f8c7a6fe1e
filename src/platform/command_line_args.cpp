#include "platform/command_line_args.h"

namespace qmon::platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args(1);
  size_t i = 0;
  if (line.starts_with('"')) {
    const size_t close = line.find('"', 1);
    args[0] = line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    i = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && !IsBlank(line[i])) args[0] += line[i++];
  }
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i == line.size()) return args;

  std::string arg;
  size_t backslashes = 0;
  int quotes = 0;  // 1 inside quotes; counts a run of quotes as it goes
  while (i < line.size()) {
    const char c = line[i];
    if (IsBlank(c) && quotes == 0) {
      args.push_back(std::move(arg));
      arg.clear();
      backslashes = 0;
      while (i < line.size() && IsBlank(line[i])) ++i;
      if (i == line.size()) return args;
      continue;
    }
    ++i;
    if (c == '\\') {
      arg += c;
      ++backslashes;
      continue;
    }
    if (c != '"') {
      arg += c;
      backslashes = 0;
      continue;
    }
    arg.resize(arg.size() - backslashes / 2);
    if (backslashes % 2 == 1) {
      arg.back() = '"';
    } else {
      ++quotes;
    }
    backslashes = 0;
    // In a run of quotes, every third one is a literal quote.
    for (; i < line.size() && line[i] == '"'; ++i) {
      if (++quotes == 3) {
        arg += '"';
        quotes = 0;
      }
    }
    if (quotes == 2) quotes = 0;
  }
  args.push_back(std::move(arg));
  return args;
}

}  // namespace qmon::platform
