#include "platform/win32/win32_file_system.h"

#include <windows.h>
// After windows.h, which it needs.
#include <imagehlp.h>

#include <utility>

#include "platform/vb_error.h"
#include "platform/win32/temp_file.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace qmon::platform::win32 {
namespace {

constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

DWORD AttributesOf(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool IsFile(DWORD attributes) {
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsFolder(DWORD attributes) {
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The runtime checks that a file it is to read or remove exists before it
// looks further: a missing one is 53 even when its folder is missing too.
DWORD RequireFile(const std::wstring& path) {
  const DWORD attributes = AttributesOf(path);
  if (!IsFile(attributes)) throw VbError(vberr::kFileNotFound);
  return attributes;
}

// Windows refuses to write a read-only file; checked here too, since Wine
// run as root writes it all the same.
void RequireWritable(DWORD attributes) {
  if (attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_READONLY)) {
    throw VbError(vberr::kPermissionDenied);
  }
}

// Closes a handle of CreateFileW / FindFirstFileW when it goes out of scope.
template <BOOL(WINAPI* Close)(HANDLE)>
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  void reset() {
    if (valid()) Close(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_;
};

using FileHandle = Handle<CloseHandle>;
using FindHandle = Handle<FindClose>;

// An ANSI text stream. Each call is one WriteFile straight to the file, so
// every line written survives a crash of the program. A created file is
// written under its temporary name until the first text is in it (or the
// stream closes with none) and then takes its name: until then it keeps
// what it held, and a write that fails before leaves it so.
class Win32TextStream final : public TextStream {
 public:
  // `temp`: the temporary file that takes the name `target`; empty when the
  // stream writes to the file itself.
  Win32TextStream(HANDLE file, const CodePage& codepage, std::wstring temp = {},
                  std::wstring target = {})
      : file_(file), codepage_(codepage), temp_(std::move(temp)), target_(std::move(target)) {}
  // Released without Close, a stream still leaves what was written.
  ~Win32TextStream() override {
    try {
      Close();
    } catch (const VbError&) {
    }
  }
  Win32TextStream(const Win32TextStream&) = delete;
  Win32TextStream& operator=(const Win32TextStream&) = delete;

  void Write(std::string_view text) override { Put(Ansi(text)); }
  void WriteLine(std::string_view text) override { Put(Ansi(text) + "\r\n"); }
  void Close() override {
    const DWORD error = file_.valid() ? Publish() : ERROR_SUCCESS;
    file_.reset();
    if (error != ERROR_SUCCESS) throw VbErrorFromWin32(error);
  }

 private:
  std::string Ansi(std::string_view text) const {
    bool lossy = false;
    std::string ansi = codepage_.ToAnsi(text, &lossy);
    if (lossy) throw VbError(vberr::kInvalidCall);
    return ansi;
  }
  // Gives the temporary file its name, once; answers the error, after which
  // the temporary file is gone.
  DWORD Publish() {
    if (temp_.empty()) return ERROR_SUCCESS;
    const std::wstring temp = std::exchange(temp_, {});
    if (MoveFileExW(temp.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      return ERROR_SUCCESS;
    }
    const DWORD error = GetLastError();
    file_.reset();
    DeleteFileW(temp.c_str());
    return error;
  }
  void Put(std::string_view ansi) {
    if (!file_.valid()) throw VbError(52);  // Bad file name or number
    while (!ansi.empty()) {
      DWORD written = 0;
      if (!WriteFile(file_.get(), ansi.data(), static_cast<DWORD>(ansi.size()), &written,
                     nullptr)) {
        const DWORD error = GetLastError();
        if (!temp_.empty()) {
          file_.reset();
          DeleteFileW(std::exchange(temp_, {}).c_str());
        }
        throw VbErrorFromWin32(error);
      }
      ansi.remove_prefix(written);
    }
    if (const DWORD error = Publish()) throw VbErrorFromWin32(error);
  }

  FileHandle file_;
  const CodePage& codepage_;
  std::wstring temp_;
  std::wstring target_;
};

// Readers and writers share a stream's file; a temporary file that is to
// take its name while open needs delete sharing too.
HANDLE OpenFile(const std::wstring& path, DWORD access, DWORD creation, DWORD share) {
  const HANDLE file = CreateFileW(path.c_str(), access, share, nullptr, creation,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) ThrowLastError();
  return file;
}

}  // namespace

bool Win32FileSystem::FileExists(const std::string& path) {
  return !path.empty() && IsFile(AttributesOf(Wide(path)));
}

bool Win32FileSystem::FolderExists(const std::string& path) {
  return !path.empty() && IsFolder(AttributesOf(Wide(path)));
}

void Win32FileSystem::CreateFolder(const std::string& path) {
  if (!CreateDirectoryW(Wide(path).c_str(), nullptr)) ThrowLastError();
}

std::vector<std::string> Win32FileSystem::ListFiles(const std::string& folder) {
  const std::wstring wide = Wide(folder);
  if (!IsFolder(AttributesOf(wide))) throw VbError(vberr::kPathNotFound);
  const bool separated = !wide.empty() && (wide.back() == L'\\' || wide.back() == L'/');
  WIN32_FIND_DATAW entry;
  FindHandle find(FindFirstFileW((wide + (separated ? L"*" : L"\\*")).c_str(), &entry));
  std::vector<std::string> names;
  if (!find.valid()) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return names;  // an empty drive root
    ThrowLastError();
  }
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.push_back(Utf8(entry.cFileName));
    }
  } while (FindNextFileW(find.get(), &entry));
  return names;
}

void Win32FileSystem::CopyOver(const std::string& from, const std::string& to) {
  const std::wstring source = Wide(from);
  RequireFile(source);
  const std::wstring target = Wide(to);
  RequireWritable(AttributesOf(target));
  // The copy keeps the source's attributes and times, read-only included,
  // which does not keep it from being moved.
  const std::wstring temp = FreshTempBeside(to);
  if (CopyFileW(source.c_str(), temp.c_str(), FALSE) &&
      MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return;
  }
  const DWORD error = GetLastError();
  SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(temp.c_str());
  throw VbErrorFromWin32(error);
}

void Win32FileSystem::RemoveFile(const std::string& path, bool force) {
  const std::wstring wide = Wide(path);
  const DWORD attributes = RequireFile(wide);
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    if (!force) throw VbError(vberr::kPermissionDenied);
    if (!SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
      ThrowLastError();
    }
  }
  if (!DeleteFileW(wide.c_str())) ThrowLastError();
}

std::unique_ptr<TextStream> Win32FileSystem::CreateText(const std::string& path) {
  const std::wstring wide = Wide(path);
  const DWORD attributes = AttributesOf(wide);
  RequireWritable(attributes);
  if (IsFolder(attributes)) throw VbError(vberr::kPermissionDenied);
  std::wstring temp = FreshTempBeside(path);
  const HANDLE file = OpenFile(temp, GENERIC_WRITE, CREATE_NEW,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  return std::make_unique<Win32TextStream>(file, codepage_, std::move(temp), wide);
}

std::unique_ptr<TextStream> Win32FileSystem::OpenTextForAppend(const std::string& path) {
  const std::wstring wide = Wide(path);
  RequireWritable(RequireFile(wide));
  // Append-only access: every write lands at the end, whoever else writes.
  return std::make_unique<Win32TextStream>(
      OpenFile(wide, FILE_APPEND_DATA | SYNCHRONIZE, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE),
      codepage_);
}

std::optional<std::string> Win32FileSystem::ReadBytes(const std::string& path) {
  FileHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return std::nullopt;
  std::string bytes;
  char chunk[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.get(), chunk, sizeof chunk, &n, nullptr)) return std::nullopt;
    if (n == 0) return bytes;
    bytes.append(chunk, n);
  }
}

uint32_t Win32FileSystem::ShortPathName(const char* path, char* buffer, uint32_t size) {
  if (!path) return 0;
  return GetShortPathNameA(path, buffer, size);
}

bool Win32FileSystem::SetAttributesNormal(const char* path) {
  return path && SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
}

bool Win32FileSystem::MakeSureDirectoryPathExists(const char* path) {
  return path && ::MakeSureDirectoryPathExists(path);
}

}  // namespace qmon::platform::win32
