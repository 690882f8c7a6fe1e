#include "platform/win32/win32_profile.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "platform/profile/profile_disk.h"
#include "platform/profile/profile_engine.h"
#include "platform/win32/temp_file.h"

namespace qmon::platform {

namespace profile {

bool AnsiBytesEqualNoCase(char a, char b) {
  wchar_t wide_a = 0;
  wchar_t wide_b = 0;
  if (MultiByteToWideChar(CP_ACP, 0, &a, 1, &wide_a, 1) != 1 ||
      MultiByteToWideChar(CP_ACP, 0, &b, 1, &wide_b, 1) != 1) {
    return a == b;  // a lead byte of a double-byte code page
  }
  return CompareStringOrdinal(&wide_a, 1, &wide_b, 1, TRUE) == CSTR_EQUAL;
}

}  // namespace profile

namespace win32 {
namespace {

// Readers and writers let each other in, as the system's profile functions
// do; a process that opened the file without sharing keeps everyone out.
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
// Write access plus what GetFileInformationByHandle needs.
constexpr DWORD kWriteAccess = GENERIC_WRITE | FILE_READ_ATTRIBUTES;

std::wstring Wide(std::string_view text, UINT code_page) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::wstring out(
      static_cast<size_t>(MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0)), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), size, out.data(), static_cast<int>(out.size()));
  return out;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::string out(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0,
                                                          nullptr, nullptr)),
                  '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), static_cast<int>(out.size()),
                      nullptr, nullptr);
  return out;
}

int32_t LastError() { return static_cast<int32_t>(GetLastError()); }

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }

  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  // Answers 0 or the error of closing.
  int32_t Close() {
    const bool closed = !ok() || CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed ? 0 : LastError();
  }

 private:
  HANDLE handle_;
};

Handle Open(const std::wstring& path, DWORD access, DWORD disposition) {
  return Handle(CreateFileW(path.c_str(), access, kShare, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The stamp of an open file; *read_only from its attributes.
int32_t StampOf(const Handle& file, FileStamp* stamp, bool* read_only = nullptr) {
  BY_HANDLE_FILE_INFORMATION info;
  FILE_BASIC_INFO times;
  if (!GetFileInformationByHandle(file.get(), &info) ||
      !GetFileInformationByHandleEx(file.get(), FileBasicInfo, &times, sizeof times)) {
    return LastError();
  }
  *stamp = FileStamp{info.dwVolumeSerialNumber,
                     (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                     (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                     times.LastWriteTime.QuadPart, times.ChangeTime.QuadPart};
  if (read_only) *read_only = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  return 0;
}

// Writes at the file pointer, which is at the start of a file just opened.
int32_t WriteAll(const Handle& file, std::string_view data) {
  while (!data.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file.get(), data.data(), chunk, &written, nullptr)) return LastError();
    data.remove_prefix(written);
  }
  return 0;
}

// Stamps the file after the work that answered `error`, then closes it.
int32_t Finish(Handle& file, int32_t error, FileStamp* stamp) {
  if (error == 0) error = StampOf(file, stamp);
  const int32_t closed = file.Close();
  return error != 0 ? error : closed;
}

class Win32ProfileDisk final : public profile::ProfileDisk {
 public:
  // The path arrives as UTF-8 (see MakeWin32Profile).
  int32_t Stat(const std::string& path, FileStamp* stamp, bool* read_only) override {
    // Opened for reading, as the system's functions do, so that a file
    // someone holds without sharing fails here with the system's error.
    Handle file = Open(Wide(path, CP_UTF8), GENERIC_READ, OPEN_EXISTING);
    if (!file.ok()) return LastError();
    return StampOf(file, stamp, read_only);
  }

  int32_t ReadWhole(const std::string& path, std::string* bytes, FileStamp* stamp) override {
    Handle file = Open(Wide(path, CP_UTF8), GENERIC_READ, OPEN_EXISTING);
    if (!file.ok()) return LastError();
    // Stamped before reading: a change while reading makes the next call
    // read again.
    if (const int32_t error = StampOf(file, stamp)) return error;
    char chunk[65536];
    DWORD got = 0;
    do {
      if (!ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) return LastError();
      bytes->append(chunk, got);
    } while (got != 0);
    return file.Close();
  }

  int32_t CreateNew(const std::string& path, std::string_view bytes, FileStamp* stamp) override {
    const std::wstring temp = FreshTempBeside(path);
    int32_t error = WriteTemporary(temp, bytes);
    // Without MOVEFILE_REPLACE_EXISTING: a file made meanwhile stays.
    if (error == 0 &&
        !MoveFileExW(temp.c_str(), Wide(path, CP_UTF8).c_str(), MOVEFILE_WRITE_THROUGH)) {
      error = LastError();
    }
    if (error != 0) {
      DeleteFileW(temp.c_str());
      return error;
    }
    bool read_only = false;
    return Stat(path, stamp, &read_only);
  }

  // ReplaceFileW rather than MoveFileExW: it hands the new file the old one's
  // attributes, security, creation time and short name, which a rename would
  // lose. Where it cannot take the old file away because another process has
  // it open without delete sharing, the text is written in place instead, as
  // the system's own functions would have done.
  int32_t ReplaceWhole(const std::string& path, std::string_view bytes,
                       FileStamp* stamp) override {
    const std::wstring target = Wide(path, CP_UTF8);
    const std::wstring temp = FreshTempBeside(path);
    int32_t error = WriteTemporary(temp, bytes);
    if (error == 0) {
      bool read_only = false;
      if (ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                       REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                       nullptr)) {
        return Stat(path, stamp, &read_only);
      }
      error = LastError();
      if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
        // The old file is gone; the new one still has its temporary name,
        // and keeps it if it cannot move.
        if (!MoveFileExW(temp.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
          return LastError();
        }
        return Stat(path, stamp, &read_only);
      }
    }
    DeleteFileW(temp.c_str());
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
        error == ERROR_UNABLE_TO_REMOVE_REPLACED) {
      return WriteInPlace(target, bytes, stamp);
    }
    return error;
  }

 private:
  static int32_t WriteTemporary(const std::wstring& temp, std::string_view bytes) {
    Handle file = Open(temp, kWriteAccess, CREATE_NEW);
    if (!file.ok()) return LastError();
    int32_t error = WriteAll(file, bytes);
    if (error == 0 && !FlushFileBuffers(file.get())) error = LastError();
    const int32_t closed = file.Close();
    return error != 0 ? error : closed;
  }

  // The whole text over the file's old bytes, cut after it.
  static int32_t WriteInPlace(const std::wstring& path, std::string_view bytes,
                              FileStamp* stamp) {
    Handle file = Open(path, kWriteAccess, OPEN_EXISTING);
    if (!file.ok()) return LastError();
    int32_t error = WriteAll(file, bytes);
    if (error == 0 && !SetEndOfFile(file.get())) error = LastError();
    return Finish(file, error, stamp);
  }
};

}  // namespace

std::unique_ptr<Profile> MakeWin32Profile() {
  // The disk gets UTF-8 paths: readable cache keys that convert back to the
  // same UTF-16 name.
  return std::make_unique<profile::ProfileEngine>(
      std::make_unique<Win32ProfileDisk>(),
      [](const char* ansi) { return Utf8(Wide(ansi, CP_ACP)); });
}

}  // namespace win32
}  // namespace qmon::platform
