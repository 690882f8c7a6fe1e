// The registry of the emulated machine: HKEY_LOCAL_MACHINE kept in a registry
// export file (system.reg) that other processes may edit between calls; it is
// read again whenever its inode, size or modification time changed.
//
// As the Win32 ANSI functions do, names and string data cross as
// Windows-1252 (a REG_SZ answered with its terminating NUL), handles come
// from a table of open keys (an open key may serve as a root), and a key
// opened without KEY_SET_VALUE takes no change. Each change replaces the file
// atomically; a file that does not parse cleanly is never rewritten, and
// changes then answer ERROR_REGISTRY_IO_FAILED.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/env.h"
#include "platform/file_stamp.h"
#include "platform/posix/reg_file.h"

namespace qmon::platform::posix {

class PosixRegistry final : public Registry {
 public:
  // `file`: the native path of system.reg; a missing file is an empty
  // registry that the first change creates.
  explicit PosixRegistry(std::string file);

  int32_t OpenKeyEx(Hkey root, const std::string& subkey, uint32_t options, uint32_t access,
                    Hkey* result) override;
  int32_t CreateKey(Hkey root, const std::string& subkey, Hkey* result) override;
  int32_t QueryValueEx(Hkey key, const std::string& name, uint32_t* type, uint8_t* data,
                       uint32_t* size) override;
  int32_t SetValueEx(Hkey key, const std::string& name, uint32_t type, const uint8_t* data,
                     uint32_t size) override;
  int32_t DeleteValue(Hkey key, const std::string& name) override;
  int32_t CloseKey(Hkey key) override;

 private:
  struct OpenKey {
    RegPath path;
    bool writable = false;
  };
  // What tells one version of the file on disk from another.
  static std::optional<FileStamp> StampOf(int fd);

  // Re-reads the file when it changed since the last read.
  void Refresh();
  // The key a handle stands for; nullptr for an unknown handle.
  const OpenKey* Lookup(Hkey key) const;
  // Resolves root + subkey (ANSI) to a path below the hive; answers 0 or the
  // error code.
  int32_t Resolve(Hkey root, const std::string& subkey, RegPath* path) const;
  // Finds the open key a change goes through and brings the model up to
  // date; answers 0 or the error code.
  int32_t PrepareChange(Hkey handle, const OpenKey** key);
  // Writes `changed` in place of the file, atomically, and adopts it.
  int32_t Commit(RegFile changed);
  Hkey AddHandle(RegPath path, bool writable);

  std::string file_;
  RegFile model_;
  bool clean_ = true;           // false: the file did not parse cleanly and stays untouched
  std::optional<FileStamp> stamp_;  // of the version read
  bool read_ = false;           // whether model_ holds a version read yet
  std::map<Hkey, OpenKey> handles_;
  Hkey next_handle_ = 0x1A4;
};

}  // namespace qmon::platform::posix
