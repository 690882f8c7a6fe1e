#include "platform/win32/win32_error.h"

#include <windows.h>

namespace qmon::platform::win32 {

VbError VbErrorFromWin32(uint32_t code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return VbError(vberr::kFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      return VbError(vberr::kPathNotFound);
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return VbError(vberr::kPermissionDenied);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return VbError(vberr::kFileAlreadyExists);
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
      return VbError(61);  // Disk full
    case ERROR_INVALID_HANDLE:
    case ERROR_INVALID_NAME:
      return VbError(52);  // Bad file name or number
    case ERROR_TOO_MANY_OPEN_FILES:
      return VbError(67);  // Too many files
    case ERROR_NOT_READY:
      return VbError(71);  // Disk not ready
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return VbError(vberr::kOutOfMemory);
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
      return VbError(57);  // Device I/O error
    default:
      return VbError(vberr::kPathFileAccess);
  }
}

void ThrowLastError() { throw VbErrorFromWin32(GetLastError()); }

}  // namespace qmon::platform::win32
