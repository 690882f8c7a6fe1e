#include "platform/posix/path_map.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <optional>
#include <utility>
#include <vector>

#include "platform/posix/names.h"

namespace qmon::platform::posix {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveSpec(std::string_view path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::string Join(const std::string& folder, std::string_view name) {
  std::string out = folder;
  if (out.empty() || out.back() != '/') out += '/';
  out += name;
  return out;
}

// The components of a path after "." and ".." are applied; ".." at the root
// stays at the root, as on Windows.
std::vector<std::string_view> Components(std::string_view rest) {
  std::vector<std::string_view> parts;
  size_t i = 0;
  while (i <= rest.size()) {
    size_t j = i;
    while (j < rest.size() && !IsSeparator(rest[j])) ++j;
    const std::string_view part = rest.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  return parts;
}

// The entry of `folder` that equals `name` without regard to case; when
// several do, the first in listing order (bytes break the tie).
std::optional<std::string> FindEntry(const std::string& folder, std::string_view name) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return std::nullopt;
  std::optional<std::string> best;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view entry_name = entry->d_name;
    if (entry_name == "." || entry_name == ".." || !WinNameEquals(entry_name, name)) continue;
    if (!best || WinNameLess(entry_name, *best) ||
        (!WinNameLess(*best, entry_name) && entry_name < *best)) {
      best = std::string(entry_name);
    }
  }
  closedir(dir);
  return best;
}

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string("/");
}

}  // namespace

PathMap::PathMap(std::string prefix) : prefix_(std::move(prefix)) {
  while (prefix_.size() > 1 && prefix_.back() == '/') prefix_.pop_back();
}

std::string PathMap::Native(std::string_view path) const {
  std::string root;
  std::string_view rest;
  if (!path.empty() && path[0] == '/') {
    root = "/";
    rest = path.substr(1);
  } else if (IsDriveSpec(path)) {
    root = Join(prefix_, "drive_");
    root += static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
    rest = path.substr(2);
  } else {
    // Relative to the current directory, seen in Windows form so that ".."
    // stops at its drive's root; a leading backslash means that root.
    const std::string cwd = Windows(CurrentDirectory());
    if (!path.empty() && path[0] == '\\') {
      return Native((IsDriveSpec(cwd) ? cwd.substr(0, 2) : std::string("/")) +
                    std::string(path.substr(1)));
    }
    return Native(cwd + "\\" + std::string(path));
  }

  std::string native = root;
  bool resolving = true;  // nothing below a missing folder exists
  for (const std::string_view part : Components(rest)) {
    std::string name(part);
    if (resolving) {
      struct stat st;
      if (lstat(Join(native, part).c_str(), &st) != 0) {
        if (auto found = FindEntry(native, part)) {
          name = std::move(*found);
        } else {
          resolving = false;
        }
      }
    }
    native = Join(native, name);
  }
  return native;
}

std::string PathMap::Windows(std::string_view native) const {
  const std::string drives = Join(prefix_, "drive_");
  if (native.size() <= drives.size() || native.substr(0, drives.size()) != drives) {
    return std::string(native);
  }
  const char letter = native[drives.size()];
  std::string_view rest = native.substr(drives.size() + 1);
  if (!std::isalpha(static_cast<unsigned char>(letter)) || (!rest.empty() && rest[0] != '/')) {
    return std::string(native);
  }
  std::string out;
  out += static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  out += ':';
  if (rest.empty()) rest = "/";
  for (char c : rest) out += c == '/' ? '\\' : c;
  return out;
}

}  // namespace qmon::platform::posix
