#include "platform/posix/posix_registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/cp1252.h"
#include "platform/posix/fd_io.h"
#include "platform/posix/whole_file.h"
#include "platform/posix/reg_unicode.h"
#include "platform/posix/stat_stamp.h"

namespace qmon::platform::posix {
namespace {

constexpr int32_t kErrorInvalidParameter = 87;
constexpr int32_t kErrorBadPathname = 161;
constexpr int32_t kErrorKeyDeleted = 1018;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr Hkey kHandleStep = 4;

// An ANSI argument as the Win32 function sees it: up to its first NUL.
std::string FromAnsi(const std::string& ansi) {
  return Utf8FromCp1252(std::string_view(ansi.c_str()));
}

// CR and LF end a line of the file, so no name may hold them.
bool Storable(std::string_view name) {
  return name.find_first_of("\r\n") == std::string_view::npos;
}

bool IsUnicodeText(uint32_t type) { return type == kRegExpandSz || type == kRegMultiSz; }

// The value's data as the ANSI functions answer it: strings in the code page,
// a REG_SZ with its terminating NUL.
std::string AnsiData(const RegValue& value) {
  if (value.type == kRegSz) return Cp1252FromUtf8(value.data) + '\0';
  if (IsUnicodeText(value.type)) return Cp1252FromUtf8(Utf8FromUtf16Le(value.data));
  return value.data;
}

// Data handed to the ANSI SetValueEx as the registry stores it.
std::string StoredData(uint32_t type, std::string_view bytes) {
  if (type == kRegSz) {
    while (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
    return Utf8FromCp1252(bytes);
  }
  if (IsUnicodeText(type)) return Utf16LeFromUtf8(Utf8FromCp1252(bytes));
  return std::string(bytes);
}

}  // namespace

PosixRegistry::PosixRegistry(std::string file)
    : file_(std::move(file)), folder_(FolderOf(file_)) {}

PosixRegistry::WriterLock::~WriterLock() {
  if (fd_ >= 0) close(fd_);
}

int32_t PosixRegistry::WriterLock::Take(const std::string& folder) {
  fd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    return errno == ENOENT || errno == ENOTDIR ? kErrorPathNotFound : kErrorRegistryIoFailed;
  }
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) return kErrorRegistryIoFailed;
  }
  return kErrorSuccess;
}

void PosixRegistry::Refresh() {
  const int fd = open(file_.c_str(), O_RDONLY | O_CLOEXEC);
  const int open_error = fd < 0 ? errno : 0;
  struct stat st;
  const std::optional<FileStamp> stamp =
      fd >= 0 && fstat(fd, &st) == 0 ? std::optional(StampOf(st)) : std::nullopt;
  if (fd >= 0 && read_ && stamp == stamp_) {
    close(fd);
    return;
  }
  read_ = true;
  stamp_ = stamp;
  model_ = RegFile();
  // A missing file (or folder) is an empty registry; a file that cannot be
  // read is left alone, like one that does not parse.
  clean_ = open_error == ENOENT || open_error == ENOTDIR;
  if (fd < 0) return;
  std::string bytes;
  if (ReadAll(fd, &bytes, stamp ? static_cast<size_t>(stamp->size) : 0) == 0) {
    std::vector<std::string> problems;
    model_ = RegFile::Parse(bytes, &problems);
    clean_ = problems.empty();
  }
  close(fd);
}

const PosixRegistry::OpenKey* PosixRegistry::Lookup(Hkey key) const {
  static const OpenKey kMachine{{}, true};
  if (key == kHkeyLocalMachine) return &kMachine;
  const auto it = handles_.find(key);
  return it == handles_.end() ? nullptr : &it->second;
}

int32_t PosixRegistry::Resolve(Hkey root, const std::string& subkey, RegPath* path) const {
  const OpenKey* base = Lookup(root);
  if (!base) return kErrorInvalidHandle;
  const std::string text = FromAnsi(subkey);
  if (text.starts_with('\\')) return kErrorBadPathname;
  *path = base->path;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\\', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) path->push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return kErrorSuccess;
}

Hkey PosixRegistry::AddHandle(RegPath path, bool writable) {
  const Hkey handle = next_handle_;
  next_handle_ += kHandleStep;
  handles_[handle] = {std::move(path), writable};
  return handle;
}

int32_t PosixRegistry::Commit(const WriterLock& /*held*/) {
  // Synced before the rename, so after a power loss the file holds this
  // version or the one before, never a torn one; the folder is not synced,
  // as the system's own hives are flushed lazily.
  struct stat placed;
  if (WriteWhole(file_, model_.Serialize(), false, true, &placed) != 0) {
    read_ = false;
    return kErrorRegistryIoFailed;
  }
  stamp_ = StampOf(placed);
  return kErrorSuccess;
}

int32_t PosixRegistry::BeginChange(WriterLock* lock) {
  if (const int32_t rc = lock->Take(folder_)) return rc;
  Refresh();
  return kErrorSuccess;
}

int32_t PosixRegistry::OpenKeyEx(Hkey root, const std::string& subkey, uint32_t /*options*/,
                                 uint32_t access, Hkey* result) {
  if (!result) return kErrorInvalidParameter;
  *result = 0;
  RegPath path;
  if (const int32_t rc = Resolve(root, subkey, &path)) return rc;
  Refresh();
  auto spelled = model_.FindKey(path);
  if (!spelled) return kErrorFileNotFound;
  *result = AddHandle(std::move(*spelled), (access & kKeySetValue) != 0);
  return kErrorSuccess;
}

int32_t PosixRegistry::CreateKey(Hkey root, const std::string& subkey, Hkey* result) {
  if (!result) return kErrorInvalidParameter;
  *result = 0;
  RegPath path;
  if (const int32_t rc = Resolve(root, subkey, &path)) return rc;
  Refresh();
  auto spelled = model_.FindKey(path);
  if (!spelled) {
    for (const std::string& name : path) {
      if (!Storable(name)) return kErrorInvalidParameter;
    }
    // Looked up again under the lock: another writer may have added it.
    WriterLock lock;
    if (const int32_t rc = BeginChange(&lock)) return rc;
    spelled = model_.FindKey(path);
    if (!spelled) {
      if (!clean_) return kErrorRegistryIoFailed;
      spelled = model_.AddKey(path);
      if (const int32_t rc = Commit(lock)) return rc;
    }
  }
  *result = AddHandle(std::move(*spelled), true);
  return kErrorSuccess;
}

int32_t PosixRegistry::QueryValueEx(Hkey handle, const std::string& name, uint32_t* type,
                                    uint8_t* data, uint32_t* size) {
  const OpenKey* key = Lookup(handle);
  if (!key) return kErrorInvalidHandle;
  if (data && !size) return kErrorInvalidParameter;
  Refresh();
  if (!model_.FindKey(key->path)) return kErrorKeyDeleted;
  const RegValue* value = model_.FindValue(key->path, FromAnsi(name));
  if (!value) return kErrorFileNotFound;
  const std::string bytes = AnsiData(*value);
  const auto needed = static_cast<uint32_t>(bytes.size());
  if (type) *type = value->type;
  if (data && *size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  if (data) std::memcpy(data, bytes.data(), needed);
  if (size) *size = needed;
  return kErrorSuccess;
}

int32_t PosixRegistry::PrepareChange(Hkey handle, const OpenKey** key, WriterLock* lock) {
  *key = Lookup(handle);
  if (!*key) return kErrorInvalidHandle;
  if (!(*key)->writable) return kErrorAccessDenied;
  if (const int32_t rc = BeginChange(lock)) return rc;
  return model_.FindKey((*key)->path) ? kErrorSuccess : kErrorKeyDeleted;
}

int32_t PosixRegistry::SetValueEx(Hkey handle, const std::string& name, uint32_t type,
                                  const uint8_t* data, uint32_t size) {
  if (!data && size) return kErrorInvalidParameter;
  const OpenKey* key = nullptr;
  WriterLock lock;
  if (const int32_t rc = PrepareChange(handle, &key, &lock)) return rc;
  std::string value_name = FromAnsi(name);
  if (!Storable(value_name)) return kErrorInvalidParameter;
  if (!clean_) return kErrorRegistryIoFailed;
  const std::string_view bytes(reinterpret_cast<const char*>(data), data ? size : 0);
  model_.SetValue(key->path, {std::move(value_name), type, StoredData(type, bytes)});
  return Commit(lock);
}

int32_t PosixRegistry::DeleteValue(Hkey handle, const std::string& name) {
  const OpenKey* key = nullptr;
  WriterLock lock;
  if (const int32_t rc = PrepareChange(handle, &key, &lock)) return rc;
  const std::string value_name = FromAnsi(name);
  if (!model_.FindValue(key->path, value_name)) return kErrorFileNotFound;
  if (!clean_) return kErrorRegistryIoFailed;
  model_.RemoveValue(key->path, value_name);
  return Commit(lock);
}

int32_t PosixRegistry::CloseKey(Hkey key) {
  if (key == kHkeyLocalMachine) return kErrorSuccess;
  return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace qmon::platform::posix
