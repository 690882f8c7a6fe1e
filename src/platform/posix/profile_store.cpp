#include "platform/posix/profile_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>

#include "platform/env.h"

namespace qmon::platform::posix {
namespace {

constexpr int32_t kErrorWriteFault = 29;

// A change this close to the end rewrites only the rest of the file, in place,
// as Windows writes: the conversion keeps changing the length of a key in the
// last section, and a whole-file rewrite each time would make its work grow
// with the square of the file's size. Changes further in replace the file.
constexpr size_t kTailLimit = 64 * 1024;
constexpr int32_t kErrorDiskFull = 112;

int32_t Win32ErrorOf(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return kErrorAccessDenied;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    default:
      return kErrorWriteFault;
  }
}

std::string FolderOf(const std::string& native) {
  const size_t slash = native.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : native.substr(0, slash);
}

// Why a file that stat() did not find is missing.
int32_t MissingFileError(const std::string& native, int stat_errno) {
  if (stat_errno != ENOENT) return Win32ErrorOf(stat_errno);
  struct stat folder;
  const bool has_folder = stat(FolderOf(native).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode);
  return has_folder ? kErrorFileNotFound : kErrorPathNotFound;
}

// Writes all of `data` at `offset`; answers 0 or errno.
int WriteAllAt(int fd, std::string_view data, off_t offset) {
  while (!data.empty()) {
    const ssize_t n = pwrite(fd, data.data(), data.size(), offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<size_t>(n));
    offset += n;
  }
  return 0;
}

int ReadAll(int fd, std::string* out) {
  char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    out->append(chunk, static_cast<size_t>(n));
  }
}

// Closes `fd`, keeping the first error.
int CloseKeeping(int fd, int err) {
  const int closed = close(fd);
  return err != 0 ? err : closed != 0 ? errno : 0;
}

}  // namespace

bool ProfileStore::Signature::operator==(const Signature& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

ProfileStore::Signature ProfileStore::SignatureOf(const struct stat& st) {
  return Signature{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

const ProfileText* ProfileStore::Load(const std::string& native, int32_t* error) {
  struct stat st;
  const bool found = stat(native.c_str(), &st) == 0;
  if (!found || S_ISDIR(st.st_mode)) {
    *error = found ? kErrorAccessDenied : MissingFileError(native, errno);
    files_.erase(native);
    return nullptr;
  }
  const auto cached = files_.find(native);
  if (cached != files_.end() && cached->second.signature == SignatureOf(st)) {
    return &cached->second.text;
  }

  const int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC);
  int err = fd < 0 ? errno : fstat(fd, &st) != 0 ? errno : 0;
  std::string bytes;
  if (err == 0) err = ReadAll(fd, &bytes);
  if (fd >= 0) close(fd);
  if (err != 0) {
    *error = Win32ErrorOf(err);
    files_.erase(native);
    return nullptr;
  }
  ++stats_.loads;
  Cached& entry =
      files_.insert_or_assign(native, Cached{SignatureOf(st), ProfileText(std::move(bytes))})
          .first->second;
  return &entry.text;
}

int32_t ProfileStore::Update(const std::string& native, const Plan& plan) {
  struct stat st;
  if (stat(native.c_str(), &st) != 0) {
    const int32_t missing = MissingFileError(native, errno);
    if (missing != kErrorFileNotFound) return missing;
    files_.erase(native);
    const std::optional<TextEdit> edit = plan(ProfileText());
    Cached created;
    if (edit) created.text.Apply(*edit);
    if (const int32_t err = Create(native, created.text.bytes(), &created.signature)) return err;
    files_.insert_or_assign(native, std::move(created));
    return 0;
  }
  if (S_ISDIR(st.st_mode) || (st.st_mode & S_IWUSR) == 0) return kErrorAccessDenied;

  int32_t error = 0;
  if (Load(native, &error) == nullptr) return error;
  Cached& cached = files_.at(native);
  const std::optional<TextEdit> edit = plan(cached.text);
  if (!edit) return 0;

  const size_t old_size = cached.text.bytes().size();
  const bool in_place = edit->erase == edit->insert.size();
  const bool at_end = edit->erase == 0 && edit->offset == old_size;
  const bool near_end = old_size - edit->offset <= kTailLimit;
  if (cached.text.Apply(*edit)) ++stats_.reparses;
  const std::string& bytes = cached.text.bytes();
  if (in_place || at_end) {
    error = WriteAt(native, edit->insert, edit->offset, std::nullopt, &cached.signature);
    ++(at_end ? stats_.appends : stats_.in_place);
  } else if (near_end) {
    error = WriteAt(native, std::string_view(bytes).substr(edit->offset), edit->offset,
                    bytes.size(), &cached.signature);
    ++stats_.tails;
  } else {
    error = Replace(native, bytes, st, &cached.signature);
  }
  if (error != 0) files_.erase(native);  // the disk may hold either version
  return error;
}

int32_t ProfileStore::Create(const std::string& native, const std::string& bytes,
                             Signature* signature) {
  const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return Win32ErrorOf(errno);
  struct stat st;
  int err = WriteAllAt(fd, bytes, 0);
  if (err == 0 && fstat(fd, &st) != 0) err = errno;
  err = CloseKeeping(fd, err);
  if (err != 0) return Win32ErrorOf(err);
  *signature = SignatureOf(st);
  ++stats_.rewrites;
  stats_.bytes_written += bytes.size();
  return 0;
}

int32_t ProfileStore::WriteAt(const std::string& native, std::string_view data, size_t offset,
                              std::optional<size_t> new_size, Signature* signature) {
  const int fd = open(native.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return Win32ErrorOf(errno);
  struct stat st;
  int err = WriteAllAt(fd, data, static_cast<off_t>(offset));
  if (err == 0 && new_size && ftruncate(fd, static_cast<off_t>(*new_size)) != 0) err = errno;
  if (err == 0 && fstat(fd, &st) != 0) err = errno;
  err = CloseKeeping(fd, err);
  if (err != 0) return Win32ErrorOf(err);
  *signature = SignatureOf(st);
  stats_.bytes_written += data.size();
  return 0;
}

int32_t ProfileStore::Replace(const std::string& native, const std::string& bytes,
                              const struct stat& old, Signature* signature) {
  const size_t slash = native.rfind('/');
  std::string temp = native.substr(0, slash + 1) + "." + native.substr(slash + 1) + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return Win32ErrorOf(errno);
  struct stat st;
  int err = WriteAllAt(fd, bytes, 0);
  if (err == 0 && fchmod(fd, old.st_mode & 07777) != 0) err = errno;
  // Owner and group too where allowed; a failure leaves the writer as owner.
  if (err == 0 && fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM) err = errno;
  if (err == 0 && fstat(fd, &st) != 0) err = errno;
  err = CloseKeeping(fd, err);
  if (err == 0 && rename(temp.c_str(), native.c_str()) != 0) err = errno;
  if (err != 0) {
    unlink(temp.c_str());
    return Win32ErrorOf(err);
  }
  *signature = SignatureOf(st);
  ++stats_.rewrites;
  stats_.bytes_written += bytes.size();
  return 0;
}

}  // namespace qmon::platform::posix
