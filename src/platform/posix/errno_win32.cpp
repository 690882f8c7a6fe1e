#include "platform/posix/errno_win32.h"

#include <cerrno>

namespace qmon::platform::posix {

int32_t Win32ErrorOfErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return 3;  // ERROR_PATH_NOT_FOUND: a missing file is told apart before
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return 5;  // ERROR_ACCESS_DENIED
    case EBUSY:
      return 32;  // ERROR_SHARING_VIOLATION
    case EEXIST:
      return 80;  // ERROR_FILE_EXISTS
    case ENOSPC:
    case EDQUOT:
      return 112;  // ERROR_DISK_FULL
    case EBADF:
      return 6;  // ERROR_INVALID_HANDLE
    case EMFILE:
    case ENFILE:
      return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case EIO:
      return 1117;  // ERROR_IO_DEVICE
    default:
      return 29;  // ERROR_WRITE_FAULT
  }
}

}  // namespace qmon::platform::posix
