#include "platform/posix/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/fd_io.h"
#include "platform/temp_name.h"

namespace qmon::platform::posix {

int OpenTemp(const std::string& target, std::string* temp) {
  *temp = TempPathBeside(target);
  // A leftover may be read-only (a copy of a read-only file): removed, not
  // truncated.
  if (unlink(temp->c_str()) != 0 && errno != ENOENT) return -1;
  return open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

int TakeOverAttributes(int fd, const std::string& target) {
  struct stat old;
  if (stat(target.c_str(), &old) != 0) return errno == ENOENT ? 0 : errno;
  if (fchmod(fd, old.st_mode & 07777) != 0) return errno;
  // A failure leaves the writer as owner.
  if (fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM) return errno;
  return 0;
}

int PutInPlace(const std::string& temp, const std::string& target, bool exclusive) {
  int err = 0;
  if (exclusive) {
    // link() refuses an existing target; the temporary name is dropped after.
    if (link(temp.c_str(), target.c_str()) != 0) err = errno;
  } else if (rename(temp.c_str(), target.c_str()) != 0) {
    err = errno;
  }
  if (exclusive || err != 0) unlink(temp.c_str());
  return err;
}

int WriteWhole(const std::string& target, std::string_view bytes, bool exclusive, bool sync,
               struct stat* placed) {
  std::string temp;
  const int fd = OpenTemp(target, &temp);
  if (fd < 0) return errno;
  int err = WriteAll(fd, bytes);
  if (err == 0 && !exclusive) err = TakeOverAttributes(fd, target);
  if (err == 0 && sync && fsync(fd) != 0) err = errno;
  if (err == 0) {
    err = PutInPlace(temp, target, exclusive);
  } else {
    unlink(temp.c_str());
  }
  // Looked at once in place: the rename changes the change time.
  if (err == 0 && fstat(fd, placed) != 0) err = errno;
  if (close(fd) != 0 && err == 0) err = errno;
  return err;
}

}  // namespace qmon::platform::posix
