#include "platform/posix/path_map.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <optional>
#include <utility>
#include <vector>

#include "platform/posix/names.h"
#include "platform/posix/stat_stamp.h"

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

// The entry of the open folder that equals `name` without regard to case;
// when several do, the first in listing order (bytes break the tie).
std::optional<std::string> FindEntry(DIR* dir, std::string_view name) {
  rewinddir(dir);  // the folder as it is now
  std::optional<std::string> best;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view entry_name = entry->d_name;
    if (entry_name == "." || entry_name == ".." || !WinNameEquals(entry_name, name)) continue;
    if (!best || WinNameLess(entry_name, *best) ||
        (!WinNameLess(*best, entry_name) && entry_name < *best)) {
      best = std::string(entry_name);
    }
  }
  return best;
}

// The file system's clock: changes made from now on get a modification time
// of at least this.
timespec FileClockNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  return now;
}

bool Before(const timespec& a, const timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
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

  std::string key = root;
  key += rest;
  if (const auto found = resolved_.find(key); found != resolved_.end()) {
    if (StillHolds(found->second)) return found->second.native;
    resolved_.erase(found);
  }
  Resolved resolved = Resolve(std::move(root), rest);
  if (!resolved.cacheable) return std::move(resolved.native);
  return resolved_.emplace(std::move(key), std::move(resolved)).first->second.native;
}

PathMap::Resolved PathMap::Resolve(std::string root, std::string_view rest) const {
  // A folder changed within the file system's current clock tick may change
  // again without its time stamp showing it: its listing is not remembered.
  const timespec began = FileClockNow();
  Resolved out;
  std::string& native = out.native;
  native = std::move(root);
  for (const std::string_view part : Components(rest)) {
    std::string name(part);
    if (out.exists) {
      struct stat st;
      if (lstat(Join(native, part).c_str(), &st) != 0) {
        struct stat folder;
        const bool listed = stat(native.c_str(), &folder) == 0;
        if (listed && Before(folder.st_mtim, began)) {
          out.listings.push_back({native, StampOf(folder)});
        } else {
          out.cacheable = false;
        }
        DIR* dir = listed ? OpenFolder(native, folder) : nullptr;
        if (auto found = dir ? FindEntry(dir, part) : std::nullopt) {
          name = std::move(*found);
        } else {
          out.exists = false;  // nothing below a missing folder exists
        }
      }
    }
    native = Join(native, name);
  }
  return out;
}

DIR* PathMap::OpenFolder(const std::string& native, const struct stat& now) const {
  // Each folder is opened once and read again from the start when searched,
  // so the number of opens a run makes does not depend on its timing.
  auto& [dir, identity] = folders_[native];
  const FileStamp current{static_cast<uint64_t>(now.st_dev), static_cast<uint64_t>(now.st_ino)};
  if (dir && identity == current) return dir.get();
  dir.reset(opendir(native.c_str()), [](DIR* d) {
    if (d) closedir(d);
  });
  identity = current;
  return dir.get();
}

bool PathMap::StillHolds(const Resolved& resolved) {
  struct stat st;
  for (const Listing& listing : resolved.listings) {
    if (stat(listing.folder.c_str(), &st) != 0 || !(StampOf(st) == listing.stamp)) return false;
  }
  return !resolved.exists || lstat(resolved.native.c_str(), &st) == 0;
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
