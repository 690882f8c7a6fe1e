// For the Windows backend's tests: a scratch folder on the real machine
// (under the temp folder, removed with its contents, read-only files too)
// and the runtime error a call raises.
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
  ScratchFolder() { std::filesystem::create_directories(root_); }
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
  std::filesystem::path root_ = std::filesystem::temp_directory_path() /
                                ("qmon_test_" + std::to_string(GetCurrentProcessId()) + "_" +
                                 std::to_string(GetTickCount64()));
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
