#include "platform/win32/win32_system.h"

#include <windows.h>

#include <vector>

#include "platform/win32/command_line.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_error.h"

namespace qmon::platform::win32 {
namespace {

// In the global namespace, so that a run started by the scheduler in another
// session sees the claim too.
constexpr wchar_t kInstanceMutex[] = L"Global\\qMonIniWriter.SingleInstance";

// The full path of the running executable.
std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

Win32System::~Win32System() {
  if (mutex_) CloseHandle(mutex_);
}

std::string Win32System::CommandLine() { return ArgumentsOf(Utf8(GetCommandLineW())); }

ProgramVersion Win32System::Version() {
  const std::wstring exe = ExecutablePath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> info(size);
  if (!GetFileVersionInfoW(exe.c_str(), 0, size, info.data())) return {};
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      length < sizeof *fixed) {
    return {};
  }
  return ProgramVersion{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                        LOWORD(fixed->dwFileVersionLS)};
}

bool Win32System::ClaimSingleInstance() {
  if (mutex_) return true;
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstanceMutex);
  const DWORD error = GetLastError();
  if (!mutex) {
    // Another user's instance made it and keeps us out of it.
    return error != ERROR_ACCESS_DENIED;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  mutex_ = mutex;
  return true;
}

std::string Win32System::ProgramFolder() {
  const std::wstring exe = ExecutablePath();
  const size_t slash = exe.find_last_of(L'\\');
  return slash == std::wstring::npos ? "." : Utf8(std::wstring_view(exe).substr(0, slash));
}

void Win32System::StartProcess(const std::string& commandLine) {
  std::wstring line = Wide(commandLine);  // CreateProcessW may write into it
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINIMIZED;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ThrowLastError();
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

uint32_t Win32System::FormatSystemMessage(uint32_t code, char* buffer, uint32_t size) {
  if (!buffer || size == 0) return 0;
  return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                        0, buffer, size, nullptr);
}

}  // namespace qmon::platform::win32
