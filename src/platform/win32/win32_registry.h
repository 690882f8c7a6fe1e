// The registry functions over the real HKEY_LOCAL_MACHINE, always in its
// 32-bit view: the agent's keys live there, and an x64 build must see what
// the shipped x86 build sees. Handles are the system's own.
#pragma once

#include <cstdint>
#include <string>

#include "platform/env.h"

namespace qmon::platform::win32 {

class Win32Registry final : public Registry {
 public:
  int32_t OpenKeyEx(Hkey root, const std::string& subkey, uint32_t options, uint32_t access,
                    Hkey* result) override;
  int32_t CreateKey(Hkey root, const std::string& subkey, Hkey* result) override;
  int32_t QueryValueEx(Hkey key, const std::string& name, uint32_t* type, uint8_t* data,
                       uint32_t* size) override;
  int32_t SetValueEx(Hkey key, const std::string& name, uint32_t type, const uint8_t* data,
                     uint32_t size) override;
  int32_t DeleteValue(Hkey key, const std::string& name) override;
  int32_t CloseKey(Hkey key) override;
};

}  // namespace qmon::platform::win32
