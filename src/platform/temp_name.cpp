#include "platform/temp_name.h"

#include <cstdint>
#include <cstdio>

namespace qmon::platform {

std::string TempPathBeside(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  const size_t name_begin = slash == std::string::npos ? 0 : slash + 1;
  uint64_t hash = 14695981039346656037u;  // FNV-1a over the name, ASCII letters folded
  for (size_t i = name_begin; i < path.size(); ++i) {
    char c = path[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
  }
  char name[32];
  std::snprintf(name, sizeof name, "~qmon%016llx.tmp", static_cast<unsigned long long>(hash));
  return path.substr(0, name_begin) + name;
}

}  // namespace qmon::platform
