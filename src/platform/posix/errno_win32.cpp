#include "platform/posix/errno_win32.h"

#include <cerrno>

#include "platform/env.h"

namespace qmon::platform::posix {

int32_t Win32ErrorOfErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return kErrorPathNotFound;  // a missing file is told apart before
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return kErrorAccessDenied;
    case EBUSY:
      return kErrorSharingViolation;
    case EEXIST:
      return kErrorFileExists;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case EBADF:
      return kErrorInvalidHandle;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case EIO:
      return kErrorIoDevice;
    default:
      return kErrorWriteFault;
  }
}

}  // namespace qmon::platform::posix
