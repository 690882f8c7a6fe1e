#include "platform/win32/command_line.h"

namespace qmon::platform::win32 {

std::string ArgumentsOf(std::string_view line) {
  size_t at = 0;
  if (line.starts_with('"')) {
    const size_t close = line.find('"', 1);
    at = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    at = std::min(line.find_first_of(" \t"), line.size());
  }
  at = std::min(line.find_first_not_of(" \t", at), line.size());
  return std::string(line.substr(at));
}

}  // namespace qmon::platform::win32
