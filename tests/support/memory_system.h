// The running program for tests on the in-memory machine.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/env.h"

namespace qmon::test {

// The running program: the only instance, in C:\Program, version 2.0.21;
// process starts are recorded, not run.
class MemorySystem final : public platform::System {
 public:
  std::string CommandLine() override { return command_line; }
  platform::ProgramVersion Version() override { return {2, 0, 21}; }
  bool ClaimSingleInstance() override { return !other_instance; }
  std::string ProgramFolder() override { return "C:\\Program"; }
  void StartProcess(const std::string& commandLine) override {
    started.push_back(commandLine);
    if (on_start) on_start();
  }
  // The texts of "file not found" (2) and "more data" (234) only.
  uint32_t FormatSystemMessage(uint32_t code, char* buffer, uint32_t size) override {
    const char* text = code == 2     ? "The system cannot find the file specified.\r\n"
                       : code == 234 ? "More data is available.\r\n"
                                     : nullptr;
    if (!text || size < std::strlen(text) + 1) return 0;
    std::memcpy(buffer, text, std::strlen(text) + 1);
    return static_cast<uint32_t>(std::strlen(text));
  }

  std::string command_line;
  bool other_instance = false;  // another instance holds the claim
  std::vector<std::string> started;
  // Plays the started program's part (regsvr32 registering a component).
  std::function<void()> on_start;
};

}  // namespace qmon::test
