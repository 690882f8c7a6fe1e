#include "platform/posix/posix_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/cp1252.h"
#include "platform/env.h"
#include "platform/posix/errno_win32.h"
#include "platform/posix/fd_io.h"
#include "platform/posix/names.h"
#include "platform/posix/stat_stamp.h"
#include "platform/posix/whole_file.h"
#include "platform/profile/profile_disk.h"

namespace qmon::platform {

namespace profile {

bool AnsiBytesEqualNoCase(char a, char b) {
  // The engine asks this for every pair of bytes once: each byte stands for
  // the first byte whose name key is the same as its own.
  static const std::array<uint8_t, 256> first_alike = [] {
    std::array<uint8_t, 256> out{};
    std::map<std::u16string, uint8_t> first;
    for (int byte = 0; byte < 256; ++byte) {
      const char c = static_cast<char>(byte);
      const auto key = posix::WinNameKey(Utf8FromCp1252(std::string_view(&c, 1)));
      out[byte] = first.emplace(key, static_cast<uint8_t>(byte)).first->second;
    }
    return out;
  }();
  return first_alike[static_cast<uint8_t>(a)] == first_alike[static_cast<uint8_t>(b)];
}

}  // namespace profile

namespace posix {
namespace {

// Why a file that stat() did not find is missing.
int32_t MissingFileError(const std::string& native, int stat_errno) {
  if (stat_errno != ENOENT) return Win32ErrorOfErrno(stat_errno);
  struct stat folder;
  const bool has_folder = stat(FolderOf(native).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode);
  return has_folder ? kErrorFileNotFound : kErrorPathNotFound;
}

class PosixProfileDisk final : public profile::ProfileDisk {
 public:
  int32_t Stat(const std::string& path, FileStamp* stamp, bool* read_only) override {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return MissingFileError(path, errno);
    if (S_ISDIR(st.st_mode)) return kErrorAccessDenied;
    *stamp = StampOf(st);
    *read_only = (st.st_mode & S_IWUSR) == 0;
    return 0;
  }

  int32_t ReadWhole(const std::string& path, std::string* bytes, FileStamp* stamp) override {
    // Stamped before reading: a change while reading makes the next call
    // read again.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Win32ErrorOfErrno(errno);
    struct stat st;
    int err = fstat(fd, &st) != 0 ? errno : ReadAll(fd, bytes, static_cast<size_t>(st.st_size));
    if (close(fd) != 0 && err == 0) err = errno;
    if (err != 0) return Win32ErrorOfErrno(err);
    *stamp = StampOf(st);
    return 0;
  }

  int32_t CreateNew(const std::string& path, std::string_view bytes, FileStamp* stamp) override {
    return WriteWhole(path, bytes, true, stamp);
  }

  int32_t ReplaceWhole(const std::string& path, std::string_view bytes,
                       FileStamp* stamp) override {
    struct stat old;
    if (stat(path.c_str(), &old) != 0) return Win32ErrorOfErrno(errno);
    return WriteWhole(path, bytes, false, stamp);
  }

 private:
  static int32_t WriteWhole(const std::string& path, std::string_view bytes, bool create,
                            FileStamp* stamp) {
    struct stat placed;
    if (const int err = posix::WriteWhole(path, bytes, create, false, &placed)) {
      return Win32ErrorOfErrno(err);
    }
    *stamp = StampOf(placed);
    return 0;
  }
};

}  // namespace

std::unique_ptr<profile::ProfileEngine> MakePosixProfile(const PathMap& map) {
  return std::make_unique<profile::ProfileEngine>(
      std::make_unique<PosixProfileDisk>(),
      [&map](const char* ansi) { return map.Native(Utf8FromCp1252(ansi)); });
}

}  // namespace posix
}  // namespace qmon::platform
