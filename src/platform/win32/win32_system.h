// The running program and the system on Windows.
#pragma once

#include <cstdint>
#include <string>

#include "platform/env.h"

namespace qmon::platform::win32 {

class Win32System final : public System {
 public:
  Win32System() = default;
  ~Win32System() override;
  Win32System(const Win32System&) = delete;
  Win32System& operator=(const Win32System&) = delete;

  // GetCommandLineW after the program name (ArgumentsOf).
  std::string CommandLine() override;
  // The file version of the executable's version resource; zeros without one.
  ProgramVersion Version() override;
  // A named mutex held by this object: the system drops it with the process.
  bool ClaimSingleInstance() override;
  std::string ProgramFolder() override;
  // CreateProcessW, shown minimized, never waited for.
  void StartProcess(const std::string& commandLine) override;
  uint32_t FormatSystemMessage(uint32_t code, char* buffer, uint32_t size) override;

 private:
  void* mutex_ = nullptr;  // the mutex's HANDLE once claimed
};

}  // namespace qmon::platform::win32
