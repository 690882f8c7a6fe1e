// The running program and the system on Linux: the single-instance lock, the
// program's folder, starting processes and the system's message texts.
#pragma once

#include <string>
#include <string_view>

#include "platform/env.h"
#include "platform/posix/path_map.h"

namespace qmon::platform::posix {

class PosixSystem final : public System {
 public:
  explicit PosixSystem(const PathMap& map) : map_(map) {}
  ~PosixSystem() override;
  PosixSystem(const PosixSystem&) = delete;
  PosixSystem& operator=(const PosixSystem&) = delete;

  // An exclusive flock on prefix/qMonIniWriter.lock, held by this object's
  // descriptor; the kernel drops it when the process ends in any way. False
  // also when the lock file cannot be opened or locked (no prefix folder, a
  // folder in its place, no permission).
  bool ClaimSingleInstance() override;
  // The arguments of /proc/self/cmdline joined by one blank, as Windows
  // passes a command line of plain arguments.
  std::string CommandLine() override;
  // The project's version, compiled in.
  ProgramVersion Version() override;
  std::string ProgramFolder() override;
  // Splits the line as Windows does and executes the program (a Windows path
  // mapped to the emulated machine, a bare name from PATH) in a new session,
  // stdio on /dev/null; never waited for. A program that cannot be started
  // raises 53, 70 or 7 as Shell does.
  void StartProcess(const std::string& commandLine) override;
  uint32_t FormatSystemMessage(uint32_t code, char* buffer, uint32_t size) override;

 private:
  const PathMap& map_;
  int lock_fd_ = -1;
};

// The folder of the executable at `exe` (a native path), in Windows form when
// it lies on an emulated drive.
std::string ProgramFolderOf(const PathMap& map, std::string_view exe);

}  // namespace qmon::platform::posix
