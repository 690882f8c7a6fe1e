#include "platform/win32/com_error.h"

#include <windows.h>

namespace qmon::platform::win32 {
namespace {

constexpr int32_t kAutomationError = 440;

// HRESULT_FROM_WIN32 is no constant expression in every SDK.
constexpr HRESULT FromWin32(DWORD code) {
  return static_cast<HRESULT>(0x80000000u | (FACILITY_WIN32 << 16) | (code & 0xFFFF));
}

// Creation failures that all mean "no usable class": the ProgID, the class
// or its server is missing, or the server cannot be loaded.
bool CannotCreate(HRESULT hr) {
  switch (hr) {
    case CO_E_CLASSSTRING:
    case REGDB_E_CLASSNOTREG:
    case CO_E_DLLNOTFOUND:
    case CO_E_ERRORINDLL:
    case CO_E_APPNOTFOUND:
    case CO_E_SERVER_EXEC_FAILURE:
    case CLASS_E_CLASSNOTAVAILABLE:
    case E_NOINTERFACE:
    case FromWin32(ERROR_MOD_NOT_FOUND):
    case FromWin32(ERROR_PROC_NOT_FOUND):
    case FromWin32(ERROR_BAD_EXE_FORMAT):
    case FromWin32(ERROR_DLL_INIT_FAILED):
      return true;
    default:
      return false;
  }
}

}  // namespace

VbError VbErrorFromHresult(int32_t hr, ComStep step) {
  if (step == ComStep::kCreate && CannotCreate(hr)) return VbError(vberr::kCantCreateObject);
  // A runtime error raised by a component built with this runtime.
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) return VbError(HRESULT_CODE(hr));
  switch (hr) {
    case E_OUTOFMEMORY:
      return VbError(vberr::kOutOfMemory);
    case E_INVALIDARG:
      return VbError(vberr::kInvalidCall);
    case E_ACCESSDENIED:
      return VbError(vberr::kPermissionDenied);
    case DISP_E_TYPEMISMATCH:
      return VbError(vberr::kTypeMismatch);
    case DISP_E_OVERFLOW:
      return VbError(vberr::kOverflow);
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
      return VbError(438);  // Object doesn't support this property or method
    case DISP_E_BADPARAMCOUNT:
      return VbError(450);  // Wrong number of arguments or invalid property assignment
    case TYPE_E_LIBNOTREGISTERED:
      return VbError(vberr::kLibraryNotRegistered);
    default:
      return VbError(hr, VbErrorText(kAutomationError));
  }
}

}  // namespace qmon::platform::win32
