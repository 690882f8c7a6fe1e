#include "platform/win32/win32_registry.h"

#include <windows.h>

namespace qmon::platform::win32 {
namespace {

// kHkeyLocalMachine is the 32-bit value of the predefined handle; on x64 the
// system's HKEY_LOCAL_MACHINE is its sign extension.
HKEY Native(Hkey key) {
  return key == kHkeyLocalMachine ? HKEY_LOCAL_MACHINE : reinterpret_cast<HKEY>(key);
}

Hkey Ours(HKEY key) {
  return key == HKEY_LOCAL_MACHINE ? kHkeyLocalMachine : reinterpret_cast<Hkey>(key);
}

// Answers the call's code, handing out the key it opened on success.
int32_t Opened(LONG rc, HKEY key, Hkey* result) {
  if (rc == ERROR_SUCCESS && result) *result = Ours(key);
  return rc;
}

}  // namespace

int32_t Win32Registry::OpenKeyEx(Hkey root, const std::string& subkey, uint32_t options,
                                 uint32_t access, Hkey* result) {
  HKEY key = nullptr;
  const LONG rc =
      RegOpenKeyExA(Native(root), subkey.c_str(), options, access | KEY_WOW64_32KEY, &key);
  return Opened(rc, key, result);
}

int32_t Win32Registry::CreateKey(Hkey root, const std::string& subkey, Hkey* result) {
  // The access RegCreateKeyA asks for, in the 32-bit view.
  HKEY key = nullptr;
  const LONG rc = RegCreateKeyExA(Native(root), subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  MAXIMUM_ALLOWED | KEY_WOW64_32KEY, nullptr, &key, nullptr);
  return Opened(rc, key, result);
}

int32_t Win32Registry::QueryValueEx(Hkey key, const std::string& name, uint32_t* type,
                                    uint8_t* data, uint32_t* size) {
  DWORD value_type = 0;
  DWORD value_size = size ? *size : 0;
  const LONG rc = RegQueryValueExA(Native(key), name.c_str(), nullptr, &value_type, data,
                                   size ? &value_size : nullptr);
  if (type) *type = value_type;
  if (size) *size = value_size;
  return rc;
}

int32_t Win32Registry::SetValueEx(Hkey key, const std::string& name, uint32_t type,
                                  const uint8_t* data, uint32_t size) {
  return RegSetValueExA(Native(key), name.c_str(), 0, type, data, size);
}

int32_t Win32Registry::DeleteValue(Hkey key, const std::string& name) {
  return RegDeleteValueA(Native(key), name.c_str());
}

int32_t Win32Registry::CloseKey(Hkey key) { return RegCloseKey(Native(key)); }

}  // namespace qmon::platform::win32
