// For the Windows backend's tests: scratch places on the real machine (a
// folder under the temp folder, a key under HKLM\Software in the 32-bit view,
// each removed with its contents) and the runtime error a call raises.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/vb_error.h"
#include "platform/win32/wide.h"

namespace qmon::test {

class ScratchFolder {
 public:
  ScratchFolder() : root_(std::filesystem::temp_directory_path() / Name()) {
    std::filesystem::create_directories(root_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_, ignored)) {
      SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::filesystem::remove_all(root_, ignored);
  }
  // The folder\relative, UTF-8.
  std::string operator/(const std::string& relative) const {
    return platform::win32::Utf8(root_.wstring()) + "\\" + relative;
  }

 private:
  static std::string Name() {
    return "qmon_test_" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(GetTickCount64());
  }
  std::filesystem::path root_;
};

// Below HKEY_LOCAL_MACHINE.
struct ScratchKey {
  const std::string name = "qMonIniWriterTest" + std::to_string(GetCurrentProcessId());
  const std::string subkey = "Software\\" + name;
  ~ScratchKey() {
    HKEY software = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                      &software) == ERROR_SUCCESS) {
      RegDeleteTreeA(software, name.c_str());
      RegCloseKey(software);
    }
  }
};

// The number of the VbError `call` raised, 0 when it raised none.
inline int32_t RaisedBy(const std::function<void()>& call) {
  try {
    call();
  } catch (const VbError& e) {
    return e.number;
  }
  return 0;
}

}  // namespace qmon::test
