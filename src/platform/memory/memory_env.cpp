#include "platform/memory/memory_env.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/cp1252.h"
#include "platform/vb_error.h"

namespace qmon::platform::memory {
namespace {

constexpr int32_t kErrorBadPathname = 161;
constexpr int32_t kErrorKeyDeleted = 1018;
constexpr uint32_t kKeySetValue = 0x0002;

// A path with "." and ".." applied and its levels joined by one backslash.
std::string Normal(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    if (part == ".." && !parts.empty()) parts.pop_back();
    if (!part.empty() && part != "." && part != "..") parts.push_back(part);
    start = end + 1;
  }
  std::string joined;
  for (const auto part : parts) (joined += joined.empty() ? "" : "\\") += part;
  return joined;
}

std::string Key(std::string_view path) { return NameKey(Normal(path)); }

// The folder part of a normalised path; "" for a drive root.
std::string ParentOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

}  // namespace

std::string NameKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}

// ---- Registry ----------------------------------------------------------------

const MemoryRegistry::OpenKey* MemoryRegistry::Lookup(Hkey key) const {
  static const OpenKey kMachine{"", true};
  if (key == kHkeyLocalMachine) return &kMachine;
  const auto it = handles_.find(key);
  return it == handles_.end() ? nullptr : &it->second;
}

int32_t MemoryRegistry::Resolve(Hkey root, const std::string& subkey, std::string* path) const {
  const OpenKey* base = Lookup(root);
  if (!base) return kErrorInvalidHandle;
  if (subkey.starts_with('\\')) return kErrorBadPathname;
  *path = base->path;
  for (size_t start = 0; start <= subkey.size();) {
    const size_t end = std::min(subkey.find('\\', start), subkey.size());
    if (end > start)
      (*path += path->empty() ? "" : "\\") += NameKey(subkey.substr(start, end - start));
    start = end + 1;
  }
  return kErrorSuccess;
}

Hkey MemoryRegistry::AddHandle(std::string path, bool writable) {
  handles_[next_handle_] = {std::move(path), writable};
  return (next_handle_ += 4) - 4;
}

int32_t MemoryRegistry::OpenKeyEx(Hkey root, const std::string& subkey, uint32_t /*options*/,
                                  uint32_t access, Hkey* result) {
  *result = 0;
  std::string path;
  if (const int32_t rc = Resolve(root, subkey, &path)) return rc;
  if (!keys_.contains(path)) return kErrorFileNotFound;
  *result = AddHandle(path, (access & kKeySetValue) != 0);
  return kErrorSuccess;
}

int32_t MemoryRegistry::CreateKey(Hkey root, const std::string& subkey, Hkey* result) {
  *result = 0;
  std::string path;
  if (const int32_t rc = Resolve(root, subkey, &path)) return rc;
  Make(path);
  *result = AddHandle(path, true);
  return kErrorSuccess;
}

std::map<std::string, MemoryRegistry::Value>& MemoryRegistry::Make(const std::string& path) {
  for (size_t end = path.find('\\'); end != std::string::npos; end = path.find('\\', end + 1)) {
    keys_.try_emplace(path.substr(0, end));
  }
  return keys_[path];
}

void MemoryRegistry::Store(const std::string& subkey, const std::string& name, uint32_t type,
                           std::string data) {
  std::string path;
  Resolve(kHkeyLocalMachine, subkey, &path);
  Make(path)[NameKey(name)] = {type, std::move(data)};
}

int32_t MemoryRegistry::QueryValueEx(Hkey handle, const std::string& name, uint32_t* type,
                                     uint8_t* data, uint32_t* size) {
  const OpenKey* key = Lookup(handle);
  if (!key) return kErrorInvalidHandle;
  const auto values = keys_.find(key->path);
  if (values == keys_.end()) return kErrorKeyDeleted;
  const auto value = values->second.find(NameKey(name));
  if (value == values->second.end()) return kErrorFileNotFound;
  const Value& v = value->second;
  const std::string bytes = v.type == kRegSz ? v.data + '\0' : v.data;
  const auto needed = static_cast<uint32_t>(bytes.size());
  if (type) *type = v.type;
  if (data && *size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  if (data) std::memcpy(data, bytes.data(), needed);
  if (size) *size = needed;
  return kErrorSuccess;
}

int32_t MemoryRegistry::Changeable(Hkey handle, std::map<std::string, Value>** values) {
  const OpenKey* key = Lookup(handle);
  if (!key) return kErrorInvalidHandle;
  if (!key->writable) return kErrorAccessDenied;
  const auto it = keys_.find(key->path);
  if (it == keys_.end()) return kErrorKeyDeleted;
  *values = &it->second;
  return kErrorSuccess;
}

int32_t MemoryRegistry::SetValueEx(Hkey handle, const std::string& name, uint32_t type,
                                   const uint8_t* data, uint32_t size) {
  std::map<std::string, Value>* values = nullptr;
  if (const int32_t rc = Changeable(handle, &values)) return rc;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  while (type == kRegSz && !bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  (*values)[NameKey(name)] = {type, std::move(bytes)};
  return kErrorSuccess;
}

int32_t MemoryRegistry::DeleteValue(Hkey handle, const std::string& name) {
  std::map<std::string, Value>* values = nullptr;
  if (const int32_t rc = Changeable(handle, &values)) return rc;
  return values->erase(NameKey(name)) ? kErrorSuccess : kErrorFileNotFound;
}

int32_t MemoryRegistry::CloseKey(Hkey key) {
  if (key == kHkeyLocalMachine) return kErrorSuccess;
  return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

// ---- Files -------------------------------------------------------------------

// Each call goes straight to the file, as the real streams do. A created
// file gets its new text, whole, with the first write (or at Close when
// nothing was written); until then it keeps what it held.
class MemoryFileSystem::Stream final : public TextStream {
 public:
  // `created`: the path of the file this stream creates; empty when it appends.
  Stream(MemoryFileSystem& fs, std::string key, std::string created = {})
      : fs_(fs), key_(std::move(key)), created_(std::move(created)) {}
  ~Stream() override { Close(); }
  void Write(std::string_view text) override {
    bool lossy = false;
    const std::string ansi = Cp1252FromUtf8(text, &lossy);
    if (lossy) throw VbError(vberr::kInvalidCall);
    if (!created_.empty()) {
      fs_.Write(std::exchange(created_, {}), ansi);
    } else if (Entry* file = fs_.AtKey(key_)) {
      file->bytes += ansi;
      file->version = ++fs_.changes_;
    }
  }
  void WriteLine(std::string_view text) override { Write(std::string(text) + "\r\n"); }
  void Close() override {
    if (!created_.empty()) fs_.Write(std::exchange(created_, {}), "");
  }

 private:
  MemoryFileSystem& fs_;
  std::string key_;
  std::string created_;
};

MemoryFileSystem::Entry* MemoryFileSystem::AtKey(const std::string& key) {
  const auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : &it->second;
}

MemoryFileSystem::Entry* MemoryFileSystem::Find(const std::string& path) {
  return AtKey(Key(path));
}

const MemoryFileSystem::Entry* MemoryFileSystem::Find(const std::string& path) const {
  return const_cast<MemoryFileSystem*>(this)->Find(path);
}

bool MemoryFileSystem::IsFolder(const std::string& key) const {
  const auto it = entries_.find(key);
  return it == entries_.end() ? key.size() == 2 && key[1] == ':' : it->second.folder;
}

bool MemoryFileSystem::MakeFolders(const std::string& path) {
  const std::string normal = Normal(path);
  for (size_t end = normal.find('\\');; end = normal.find('\\', end + 1)) {
    const std::string level = normal.substr(0, end);
    const std::string key = NameKey(level);
    if (!IsFolder(key) && !entries_.try_emplace(key, level, true).second) return false;
    if (end == std::string::npos) return true;
  }
}

MemoryFileSystem::Entry& MemoryFileSystem::Write(const std::string& path, std::string bytes) {
  Entry& file = entries_.try_emplace(Key(path), Normal(path), false).first->second;
  file.bytes = std::move(bytes);
  file.version = ++changes_;
  return file;
}

void MemoryFileSystem::Erase(const std::string& path) {
  const std::string key = Key(path);
  ++changes_;
  entries_.erase(key);
  auto it = entries_.lower_bound(key + "\\");
  while (it != entries_.end() && it->first.starts_with(key + "\\")) it = entries_.erase(it);
}

std::vector<std::string> MemoryFileSystem::Names(const std::string& folder, bool files_only) const {
  const std::string prefix = Key(folder) + "\\";
  std::vector<std::string> names;
  for (auto it = entries_.lower_bound(prefix);
       it != entries_.end() && it->first.starts_with(prefix); ++it) {
    const bool nested = it->first.find('\\', prefix.size()) != std::string::npos;
    if (nested || (files_only && it->second.folder)) continue;
    names.push_back(it->second.path.substr(prefix.size()));
  }
  return names;
}

MemoryFileSystem::Entry* MemoryFileSystem::File(const std::string& path) {
  Entry* entry = Find(path);
  return entry && !entry->folder ? entry : nullptr;
}

bool MemoryFileSystem::HasFolderFor(const std::string& path) const {
  return IsFolder(ParentOf(Key(path)));
}

bool MemoryFileSystem::FileExists(const std::string& path) { return File(path) != nullptr; }

bool MemoryFileSystem::FolderExists(const std::string& path) {
  return !path.empty() && IsFolder(Key(path));
}

void MemoryFileSystem::CreateFolder(const std::string& path) {
  if (IsFolder(Key(path)) || Find(path)) throw VbError(vberr::kFileAlreadyExists);
  if (!HasFolderFor(path)) throw VbError(vberr::kPathNotFound);
  MakeFolders(path);
}

std::vector<std::string> MemoryFileSystem::ListFiles(const std::string& folder) {
  if (!FolderExists(folder)) throw VbError(vberr::kPathNotFound);
  return Names(folder, true);
}

void MemoryFileSystem::CopyOver(const std::string& from, const std::string& to) {
  const Entry* source = File(from);
  if (!source) throw VbError(vberr::kFileNotFound);
  if (!HasFolderFor(to)) throw VbError(vberr::kPathNotFound);
  if (const Entry* target = Find(to);
      target && (target == source || target->read_only || target->folder)) {
    throw VbError(vberr::kPermissionDenied);
  }
  Write(to, source->bytes).read_only = source->read_only;
}

void MemoryFileSystem::RemoveFile(const std::string& path, bool force) {
  const Entry* file = File(path);
  if (!file) throw VbError(vberr::kFileNotFound);
  if (file->read_only && !force) throw VbError(vberr::kPermissionDenied);
  ++changes_;
  entries_.erase(Key(path));
}

std::unique_ptr<TextStream> MemoryFileSystem::CreateText(const std::string& path) {
  if (!HasFolderFor(path)) throw VbError(vberr::kPathNotFound);
  if (const Entry* old = Find(path); old && (old->read_only || old->folder)) {
    throw VbError(vberr::kPermissionDenied);
  }
  return std::make_unique<Stream>(*this, Key(path), path);
}

std::unique_ptr<TextStream> MemoryFileSystem::OpenTextForAppend(const std::string& path) {
  const Entry* file = File(path);
  if (!file) throw VbError(vberr::kFileNotFound);
  if (file->read_only) throw VbError(vberr::kPermissionDenied);
  return std::make_unique<Stream>(*this, Key(path));
}

std::optional<std::string> MemoryFileSystem::ReadBytes(const std::string& path) {
  const Entry* file = File(path);
  return file ? std::optional(file->bytes) : std::nullopt;
}

uint32_t MemoryFileSystem::ShortPathName(const char* path, char* buffer, uint32_t size) {
  const std::string text = Utf8FromCp1252(path);
  if (!Find(text) && !FolderExists(text)) return 0;
  // No 8.3 names here: the path answers itself, as given.
  const size_t length = std::strlen(path);
  if (!buffer || size < length + 1) return static_cast<uint32_t>(length + 1);
  std::memcpy(buffer, path, length + 1);
  return static_cast<uint32_t>(length);
}

bool MemoryFileSystem::SetAttributesNormal(const char* path) {
  Entry* entry = Find(Utf8FromCp1252(path));
  if (entry) entry->read_only = false;
  return entry != nullptr;
}

bool MemoryFileSystem::MakeSureDirectoryPathExists(const char* path) {
  const std::string text = Utf8FromCp1252(path);
  const size_t last = text.find_last_of("\\/");
  return last == std::string::npos || MakeFolders(text.substr(0, last));
}

// ---- Profile -----------------------------------------------------------------

// The engine's disk over the same entries; paths are the files' Windows paths.
class MemoryFileSystem::Disk final : public profile::ProfileDisk {
 public:
  explicit Disk(MemoryFileSystem& fs) : fs_(fs) {}

  int32_t Stat(const std::string& path, FileStamp* stamp, bool* read_only) override {
    Entry* file = nullptr;
    if (const int32_t rc = Open(path, &file)) return rc;
    *read_only = file->read_only;
    return Stamped(*file, stamp);
  }
  int32_t ReadWhole(const std::string& path, std::string* bytes, FileStamp* stamp) override {
    Entry* file = nullptr;
    if (const int32_t rc = Open(path, &file)) return rc;
    *bytes = file->bytes;
    return Stamped(*file, stamp);
  }
  int32_t CreateNew(const std::string& path, std::string_view bytes, FileStamp* stamp) override {
    if (!fs_.HasFolderFor(path)) return kErrorPathNotFound;
    if (fs_.Find(path)) return kErrorFileExists;
    return Stamped(fs_.Write(path, std::string(bytes)), stamp);
  }
  int32_t ReplaceWhole(const std::string& path, std::string_view bytes,
                       FileStamp* stamp) override {
    Entry* file = nullptr;
    if (const int32_t rc = Open(path, &file)) return rc;
    return Stamped(fs_.Write(path, std::string(bytes)), stamp);
  }

 private:
  // The file at `path`, or why there is none.
  int32_t Open(const std::string& path, Entry** file) {
    *file = fs_.File(path);
    if (*file) return kErrorSuccess;
    if (fs_.Find(path)) return kErrorAccessDenied;  // a folder
    return fs_.HasFolderFor(path) ? kErrorFileNotFound : kErrorPathNotFound;
  }
  static int32_t Stamped(const Entry& file, FileStamp* stamp) {
    *stamp = FileStamp{0, 0, file.bytes.size(), static_cast<int64_t>(file.version)};
    return kErrorSuccess;
  }

  MemoryFileSystem& fs_;
};

std::unique_ptr<profile::ProfileDisk> MemoryFileSystem::MakeDisk() {
  return std::make_unique<Disk>(*this);
}

std::unique_ptr<profile::ProfileEngine> MemoryFileSystem::MakeProfile() {
  return std::make_unique<profile::ProfileEngine>(
      MakeDisk(),
      [](const char* ansi) { return Utf8FromCp1252(ansi); });
}

// ---- System ------------------------------------------------------------------

}  // namespace qmon::platform::memory
