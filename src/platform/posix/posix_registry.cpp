#include "platform/posix/posix_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/cp1252.h"
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

std::optional<std::string> ReadAll(int fd) {
  std::string bytes;
  char buffer[65536];
  while (true) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) return bytes;
    if (n < 0 && errno != EINTR) return std::nullopt;
    if (n > 0) bytes.append(buffer, static_cast<size_t>(n));
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno != EINTR) return false;
    if (n > 0) bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string FolderOf(const std::string& file) {
  const size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : file.substr(0, slash);
}

// Makes a rename in the folder durable.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

PosixRegistry::PosixRegistry(std::string file) : file_(std::move(file)) {}

std::optional<FileStamp> PosixRegistry::StampOf(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0) return std::nullopt;
  return posix::StampOf(st);
}

void PosixRegistry::Refresh() {
  const int fd = open(file_.c_str(), O_RDONLY | O_CLOEXEC);
  const int open_error = fd < 0 ? errno : 0;
  const std::optional<FileStamp> stamp = fd < 0 ? std::nullopt : StampOf(fd);
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
  if (const auto bytes = ReadAll(fd)) {
    std::vector<std::string> problems;
    model_ = RegFile::Parse(*bytes, &problems);
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

int32_t PosixRegistry::Commit(RegFile changed) {
  const std::string bytes = changed.Serialize();
  std::string temp = file_ + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) {
    return errno == ENOENT || errno == ENOTDIR ? kErrorPathNotFound : kErrorRegistryIoFailed;
  }
  struct stat old;
  const mode_t mode = stat(file_.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), file_.c_str()) != 0) {
    unlink(temp.c_str());
    return kErrorRegistryIoFailed;
  }
  SyncFolder(FolderOf(file_));
  model_ = std::move(changed);
  const int check = open(file_.c_str(), O_RDONLY | O_CLOEXEC);
  stamp_ = check < 0 ? std::nullopt : StampOf(check);
  if (check >= 0) close(check);
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
    if (!clean_) return kErrorRegistryIoFailed;
    RegFile changed = model_;
    spelled = changed.AddKey(path);
    if (const int32_t rc = Commit(std::move(changed))) return rc;
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

int32_t PosixRegistry::PrepareChange(Hkey handle, const OpenKey** key) {
  *key = Lookup(handle);
  if (!*key) return kErrorInvalidHandle;
  if (!(*key)->writable) return kErrorAccessDenied;
  Refresh();
  return model_.FindKey((*key)->path) ? kErrorSuccess : kErrorKeyDeleted;
}

int32_t PosixRegistry::SetValueEx(Hkey handle, const std::string& name, uint32_t type,
                                  const uint8_t* data, uint32_t size) {
  if (!data && size) return kErrorInvalidParameter;
  const OpenKey* key = nullptr;
  if (const int32_t rc = PrepareChange(handle, &key)) return rc;
  std::string value_name = FromAnsi(name);
  if (!Storable(value_name)) return kErrorInvalidParameter;
  if (!clean_) return kErrorRegistryIoFailed;
  const std::string_view bytes(reinterpret_cast<const char*>(data), data ? size : 0);
  RegFile changed = model_;
  changed.SetValue(key->path, {std::move(value_name), type, StoredData(type, bytes)});
  return Commit(std::move(changed));
}

int32_t PosixRegistry::DeleteValue(Hkey handle, const std::string& name) {
  const OpenKey* key = nullptr;
  if (const int32_t rc = PrepareChange(handle, &key)) return rc;
  const std::string value_name = FromAnsi(name);
  if (!model_.FindValue(key->path, value_name)) return kErrorFileNotFound;
  if (!clean_) return kErrorRegistryIoFailed;
  RegFile changed = model_;
  changed.RemoveValue(key->path, value_name);
  return Commit(std::move(changed));
}

int32_t PosixRegistry::CloseKey(Hkey key) {
  if (key == kHkeyLocalMachine) return kErrorSuccess;
  return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace qmon::platform::posix
