#include "platform/posix/posix_fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/cp1252.h"
#include "platform/posix/errno_win32.h"
#include "platform/posix/fd_io.h"
#include "platform/posix/names.h"
#include "platform/posix/whole_file.h"
#include "platform/utf8.h"
#include "platform/vb_error.h"

namespace qmon::platform::posix {
namespace {

// The runtime's number for a failed system call that no earlier check caught.
[[noreturn]] void ThrowErrno(int err) {
  throw VbErrorFromWin32(static_cast<uint32_t>(Win32ErrorOfErrno(err)));
}

std::optional<struct stat> StatOf(const std::string& native) {
  struct stat st;
  if (stat(native.c_str(), &st) != 0) return std::nullopt;
  return st;
}

bool IsFile(const std::optional<struct stat>& st) { return st && S_ISREG(st->st_mode); }
bool IsFolder(const std::optional<struct stat>& st) { return st && S_ISDIR(st->st_mode); }
bool IsReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

void RequireParentFolder(const std::string& native) {
  if (!IsFolder(StatOf(FolderOf(native)))) throw VbError(vberr::kPathNotFound);
}

// An ANSI text stream. A created file gets its name with the first text
// written (or at Close when nothing was): until then the file keeps what it
// held, and a write that fails before leaves it so. From then on each call
// goes straight to the file, so whatever was written survives a crash of the
// program.
class PosixTextStream final : public TextStream {
 public:
  // `temp`: the temporary file that takes the name `target`; empty when the
  // stream writes to the file itself.
  explicit PosixTextStream(int fd, std::string temp = {}, std::string target = {})
      : fd_(fd), temp_(std::move(temp)), target_(std::move(target)) {}
  // Released without Close, a stream still leaves what was written.
  ~PosixTextStream() override {
    try {
      Close();
    } catch (const VbError&) {
    }
  }
  PosixTextStream(const PosixTextStream&) = delete;
  PosixTextStream& operator=(const PosixTextStream&) = delete;

  void Write(std::string_view text) override {
    std::string storage;
    Put(Ansi(text, &storage));
  }
  void WriteLine(std::string_view text) override {
    std::string storage;
    Put(Ansi(text, &storage), "\r\n");
  }
  void Close() override {
    if (fd_ < 0) return;
    const int err = Publish();
    close(fd_);
    fd_ = -1;
    if (err != 0) ThrowErrno(err);
  }

 private:
  // The text in the ANSI code page: ASCII stands for itself, so only other
  // text is converted, into *storage.
  static std::string_view Ansi(std::string_view text, std::string* storage) {
    if (AsciiRun(text) == text.size()) return text;
    bool lossy = false;
    *storage = Cp1252FromUtf8(text, &lossy);
    if (lossy) throw VbError(vberr::kInvalidCall);
    return *storage;
  }
  // Puts the temporary file in place once; answers 0 or errno.
  int Publish() {
    if (temp_.empty()) return 0;
    return PutInPlace(std::exchange(temp_, {}), target_, false);
  }
  // One write, so a line reaches the file whole.
  void Put(std::string_view ansi, std::string_view end = {}) {
    int err = WriteAll(fd_, ansi, end);
    if (err != 0 && !temp_.empty()) {
      unlink(std::exchange(temp_, {}).c_str());
      close(std::exchange(fd_, -1));
    }
    if (err == 0) err = Publish();
    if (err != 0) ThrowErrno(err);
  }

  int fd_;
  std::string temp_;
  std::string target_;
};

// Copies the bytes, then the read-only attribute and the time stamps, as
// CopyFile does, into the target's temporary file, which then replaces the
// target.
void CopyContents(const std::string& from, const std::string& to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) ThrowErrno(errno);
  std::string temp;
  const int out = OpenTemp(to, &temp);
  if (out < 0) {
    const int err = errno;
    close(in);
    ThrowErrno(err);
  }
  int err = TakeOverAttributes(out, to);
  char chunk[65536];
  while (err == 0) {
    const ssize_t n = read(in, chunk, sizeof chunk);
    if (n == 0) break;
    if (n < 0) {
      if (errno != EINTR) err = errno;
      continue;
    }
    err = WriteAll(out, std::string_view(chunk, static_cast<size_t>(n)));
  }
  struct stat src, dst;
  if (err == 0 && fstat(in, &src) == 0 && fstat(out, &dst) == 0) {
    fchmod(out, (dst.st_mode & 07777 & ~S_IWUSR) | (src.st_mode & S_IWUSR));
    const struct timespec times[2] = {src.st_atim, src.st_mtim};
    futimens(out, times);
  }
  close(in);
  if (close(out) != 0 && err == 0) err = errno;
  if (err == 0) {
    err = PutInPlace(temp, to, false);
  } else {
    unlink(temp.c_str());
  }
  if (err != 0) ThrowErrno(err);
}

}  // namespace

bool PosixFileSystem::FileExists(const std::string& path) {
  return !path.empty() && IsFile(StatOf(map_.Native(path)));
}

bool PosixFileSystem::FolderExists(const std::string& path) {
  return !path.empty() && IsFolder(StatOf(map_.Native(path)));
}

void PosixFileSystem::CreateFolder(const std::string& path) {
  const std::string native = map_.Native(path);
  if (StatOf(native)) throw VbError(vberr::kFileAlreadyExists);
  RequireParentFolder(native);
  if (mkdir(native.c_str(), 0777) != 0) ThrowErrno(errno);
}

std::vector<std::string> PosixFileSystem::ListFiles(const std::string& folder) {
  const std::string native = map_.Native(folder);
  DIR* dir = opendir(native.c_str());
  if (!dir) throw VbError(vberr::kPathNotFound);
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (IsFile(StatOf(native + "/" + name))) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return WinNameLess(a, b) || (!WinNameLess(b, a) && a < b);
  });
  return names;
}

void PosixFileSystem::CopyOver(const std::string& from, const std::string& to) {
  const std::string source = map_.Native(from);
  const auto source_stat = StatOf(source);
  if (!IsFile(source_stat)) throw VbError(vberr::kFileNotFound);
  const std::string target = map_.Native(to);
  RequireParentFolder(target);
  if (const auto target_stat = StatOf(target)) {
    // Onto itself would truncate the source before reading it.
    const bool same =
        target_stat->st_dev == source_stat->st_dev && target_stat->st_ino == source_stat->st_ino;
    if (same || IsReadOnly(*target_stat) || S_ISDIR(target_stat->st_mode)) {
      throw VbError(vberr::kPermissionDenied);
    }
  }
  CopyContents(source, target);
}

void PosixFileSystem::RemoveFile(const std::string& path, bool force) {
  const std::string native = map_.Native(path);
  const auto st = StatOf(native);
  if (!IsFile(st)) throw VbError(vberr::kFileNotFound);
  if (IsReadOnly(*st) && !force) throw VbError(vberr::kPermissionDenied);
  if (unlink(native.c_str()) != 0) ThrowErrno(errno);
}

std::unique_ptr<TextStream> PosixFileSystem::CreateText(const std::string& path) {
  const std::string native = map_.Native(path);
  RequireParentFolder(native);
  if (const auto st = StatOf(native); st && (IsReadOnly(*st) || S_ISDIR(st->st_mode))) {
    throw VbError(vberr::kPermissionDenied);
  }
  std::string temp;
  const int fd = OpenTemp(native, &temp);
  if (fd < 0) ThrowErrno(errno);
  if (const int err = TakeOverAttributes(fd, native)) {
    close(fd);
    unlink(temp.c_str());
    ThrowErrno(err);
  }
  return std::make_unique<PosixTextStream>(fd, temp, native);
}

std::unique_ptr<TextStream> PosixFileSystem::OpenTextForAppend(const std::string& path) {
  const std::string native = map_.Native(path);
  const auto st = StatOf(native);
  if (!IsFile(st)) throw VbError(vberr::kFileNotFound);
  if (IsReadOnly(*st)) throw VbError(vberr::kPermissionDenied);
  const int fd = open(native.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) ThrowErrno(errno);
  return std::make_unique<PosixTextStream>(fd);
}

std::optional<std::string> PosixFileSystem::ReadBytes(const std::string& path) {
  const int fd = open(map_.Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  struct stat st;
  const bool sized = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const int err = ReadAll(fd, &bytes, sized ? static_cast<size_t>(st.st_size) : 0);
  close(fd);
  if (err != 0) return std::nullopt;  // a folder lands here with EISDIR
  return bytes;
}

uint32_t PosixFileSystem::ShortPathName(const char* path, char* buffer, uint32_t size) {
  if (!path || !StatOf(map_.Native(Utf8FromCp1252(path)))) return 0;
  // Short names do not exist here: the path answers itself, as given.
  const size_t length = std::strlen(path);
  if (!buffer || size < length + 1) return static_cast<uint32_t>(length + 1);
  std::memcpy(buffer, path, length + 1);
  return static_cast<uint32_t>(length);
}

bool PosixFileSystem::SetAttributesNormal(const char* path) {
  if (!path) return false;
  const std::string native = map_.Native(Utf8FromCp1252(path));
  const auto st = StatOf(native);
  return st && chmod(native.c_str(), (st->st_mode & 07777) | S_IWUSR) == 0;
}

bool PosixFileSystem::MakeSureDirectoryPathExists(const char* path) {
  if (!path) return false;
  const std::string text = Utf8FromCp1252(path);
  const size_t last = text.find_last_of("\\/");
  if (last == std::string::npos) return true;
  // Each level in turn, so that every one resolves against what exists by
  // then; the drive root and empty levels are not created.
  for (size_t i = 1; i <= last; ++i) {
    const bool level_end = text[i] == '\\' || text[i] == '/';
    const char before = text[i - 1];
    if (!level_end || before == '\\' || before == '/' || (i == 2 && before == ':')) continue;
    const std::string native = map_.Native(std::string_view(text).substr(0, i));
    if (!StatOf(native) && mkdir(native.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return IsFolder(StatOf(map_.Native(std::string_view(text).substr(0, last + 1))));
}

}  // namespace qmon::platform::posix
