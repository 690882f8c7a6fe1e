// The registry of the emulated machine: HKEY_LOCAL_MACHINE kept in a registry
// export file (system.reg) that other processes may edit between calls; it is
// read again whenever its stamp (inode, size, modification and change times)
// differs from the version read.
//
// As the Win32 ANSI functions do, names and string data cross as
// Windows-1252 (a REG_SZ answered with its terminating NUL), handles come
// from a table of open keys (an open key may serve as a root), and a key
// opened without KEY_SET_VALUE takes no change. A file that does not parse
// cleanly is never rewritten, and changes then answer ERROR_REGISTRY_IO_FAILED.
//
// Writers' convention: a process that changes system.reg takes
// flock(LOCK_EX) on the folder that holds it (opened O_RDONLY | O_DIRECTORY),
// reads the file under that lock, writes the new version to a temporary file
// in the same folder (whole_file.h), fsyncs it, renames it over system.reg
// and only then lets go. Holding the folder rather than the file keeps the
// lock across the rename; readers need no lock, as the rename is atomic. A
// writer killed midway leaves at most the temporary file, which the next
// change replaces. Should the lock fail for an error, the change answers
// ERROR_REGISTRY_IO_FAILED rather than going ahead unlocked.
#pragma once

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
  // The folder that holds the file, open and locked by the writers'
  // convention until this goes away.
  class WriterLock {
   public:
    WriterLock() = default;
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    // Answers 0 or the error code.
    int32_t Take(const std::string& folder);

   private:
    int fd_ = -1;
  };

  // Re-reads the file when it changed since the last read.
  void Refresh();
  // The key a handle stands for; nullptr for an unknown handle.
  const OpenKey* Lookup(Hkey key) const;
  // Resolves root + subkey (ANSI) to a path below the hive; answers 0 or the
  // error code.
  int32_t Resolve(Hkey root, const std::string& subkey, RegPath* path) const;
  // Takes the lock and brings the model up to the newest version; answers 0
  // or the error code.
  int32_t BeginChange(WriterLock* lock);
  // Finds the open key a change goes through and begins the change; answers
  // 0 or the error code.
  int32_t PrepareChange(Hkey handle, const OpenKey** key, WriterLock* lock);
  // Writes the changed model in place of the file, atomically, under the
  // lock; when that fails, the model is read again before its next use.
  int32_t Commit(const WriterLock& lock);
  Hkey AddHandle(RegPath path, bool writable);

  std::string file_;
  std::string folder_;  // the folder that holds file_
  RegFile model_;
  bool clean_ = true;               // false: the file did not parse cleanly and stays untouched
  std::optional<FileStamp> stamp_;  // of the version read
  bool read_ = false;               // whether model_ holds a version read yet
  std::map<Hkey, OpenKey> handles_;
  Hkey next_handle_ = 0x1A4;
};

}  // namespace qmon::platform::posix
