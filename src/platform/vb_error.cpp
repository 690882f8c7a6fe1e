#include "platform/vb_error.h"

namespace qmon {

VbError::VbError(int32_t n) : number(n), description(VbErrorText(n)) {}

VbError VbErrorFromWin32(uint32_t code) {
  switch (code) {
    case 2:  // ERROR_FILE_NOT_FOUND
      return VbError(vberr::kFileNotFound);
    case 3:    // ERROR_PATH_NOT_FOUND
    case 15:   // ERROR_INVALID_DRIVE
    case 53:   // ERROR_BAD_NETPATH
    case 161:  // ERROR_BAD_PATHNAME
    case 267:  // ERROR_DIRECTORY
      return VbError(vberr::kPathNotFound);
    case 5:   // ERROR_ACCESS_DENIED
    case 19:  // ERROR_WRITE_PROTECT
    case 32:  // ERROR_SHARING_VIOLATION
    case 33:  // ERROR_LOCK_VIOLATION
      return VbError(vberr::kPermissionDenied);
    case 80:   // ERROR_FILE_EXISTS
    case 183:  // ERROR_ALREADY_EXISTS
      return VbError(vberr::kFileAlreadyExists);
    case 39:   // ERROR_HANDLE_DISK_FULL
    case 112:  // ERROR_DISK_FULL
      return VbError(61);  // Disk full
    case 6:    // ERROR_INVALID_HANDLE
    case 123:  // ERROR_INVALID_NAME
      return VbError(52);  // Bad file name or number
    case 4:  // ERROR_TOO_MANY_OPEN_FILES
      return VbError(67);  // Too many files
    case 21:  // ERROR_NOT_READY
      return VbError(71);  // Disk not ready
    case 8:   // ERROR_NOT_ENOUGH_MEMORY
    case 14:  // ERROR_OUTOFMEMORY
      return VbError(vberr::kOutOfMemory);
    case 23:    // ERROR_CRC
    case 1117:  // ERROR_IO_DEVICE
      return VbError(57);  // Device I/O error
    default:
      return VbError(vberr::kPathFileAccess);
  }
}

std::string VbErrorText(int32_t number) {
  switch (number) {
    case 5: return "Invalid procedure call or argument";
    case 6: return "Overflow";
    case 7: return "Out of memory";
    case 9: return "Subscript out of range";
    case 11: return "Division by zero";
    case 13: return "Type mismatch";
    case 48: return "Error in loading DLL";
    case 52: return "Bad file name or number";
    case 53: return "File not found";
    case 54: return "Bad file mode";
    case 55: return "File already open";
    case 57: return "Device I/O error";
    case 58: return "File already exists";
    case 61: return "Disk full";
    case 62: return "Input past end of file";
    case 67: return "Too many files";
    case 68: return "Device unavailable";
    case 70: return "Permission denied";
    case 71: return "Disk not ready";
    case 75: return "Path/File access error";
    case 76: return "Path not found";
    case 91: return "Object variable or With block variable not set";
    case 94: return "Invalid use of Null";
    case 424: return "Object required";
    case 429: return "ActiveX component can't create object";
    case 430: return "Class doesn't support Automation";
    case 438: return "Object doesn't support this property or method";
    case 440: return "Automation error";
    case 450: return "Wrong number of arguments or invalid property assignment";
    case 453: return "Specified DLL function not found";
    case -2147319779: return "Library not registered.";
    default: return "Application-defined or object-defined error";
  }
}

}  // namespace qmon
