#include "platform/win32/temp_file.h"

#include <windows.h>

#include "platform/temp_name.h"
#include "platform/win32/wide.h"

namespace qmon::platform::win32 {

std::wstring FreshTempBeside(const std::string& target) {
  std::wstring temp = Wide(TempPathBeside(target));
  // A leftover may be read-only (a copy of a read-only file).
  SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(temp.c_str());
  return temp;
}

}  // namespace qmon::platform::win32
