#include "platform/posix/posix_system.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/command_line_args.h"
#include "platform/posix/fd_io.h"
#include "platform/vb_error.h"

namespace qmon::platform::posix {
namespace {

constexpr const char kLockFile[] = "/qMonIniWriter.lock";

struct SystemMessage {
  uint32_t code;
  const char* text;
};

// The English texts of the system's message table for the codes this
// program can meet.
constexpr SystemMessage kMessages[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {13, "The data is invalid."},
    {14, "Not enough memory resources are available to complete this operation."},
    {15, "The system cannot find the drive specified."},
    {18, "There are no more files."},
    {21, "The device is not ready."},
    {32, "The process cannot access the file because it is being used by another process."},
    {33,
     "The process cannot access the file because another process has locked a portion of "
     "the file."},
    {39, "The disk is full."},
    {50, "The request is not supported."},
    {53, "The network path was not found."},
    {80, "The file exists."},
    {82, "The directory or file cannot be created."},
    {87, "The parameter is incorrect."},
    {110, "The system cannot open the device or file specified."},
    {112, "There is not enough space on the disk."},
    {120, "This function is not supported on this system."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {145, "The directory is not empty."},
    {161, "The specified path is invalid."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
    {234, "More data is available."},
    {259, "No more data is available."},
    {267, "The directory name is invalid."},
    {1009, "The configuration registry database is corrupt."},
    {1010, "The configuration registry key is invalid."},
    {1011, "The configuration registry key could not be opened."},
    {1012, "The configuration registry key could not be read."},
    {1013, "The configuration registry key could not be written."},
    {1014,
     "One of the files in the registry database had to be recovered by use of a log or "
     "alternate copy. The recovery was successful."},
    {1015,
     "The registry is corrupted. The structure of one of the files containing registry "
     "data is corrupted, or the system's memory image of the file is corrupted, or the "
     "file could not be recovered because the alternate copy or log was absent or "
     "corrupted."},
    {1016,
     "An I/O operation initiated by the registry failed unrecoverably. The registry could "
     "not read in, or write out, or flush, one of the files that contain the system's "
     "image of the registry."},
    {1017,
     "The system has attempted to load or restore a file into the registry, but the "
     "specified file is not in a registry file format."},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {1060, "The specified service does not exist as an installed service."},
    {1168, "Element not found."},
    {1223, "The operation was canceled by the user."},
    {1460, "This operation returned because the timeout period expired."},
};

}  // namespace

PosixSystem::~PosixSystem() {
  if (lock_fd_ >= 0) close(lock_fd_);
}

bool PosixSystem::ClaimSingleInstance() {
  if (lock_fd_ >= 0) return true;
  // Close-on-exec, so that a process started from here never inherits the
  // claim and outlives us holding it. A lock that cannot be had for any
  // reason counts as held elsewhere: two runs side by side would tear the
  // agent's files, a run that does not happen loses nothing.
  const int fd = open((map_.prefix() + kLockFile).c_str(),
                      O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    close(fd);
    return false;
  }
  lock_fd_ = fd;
  return true;
}

std::string PosixSystem::CommandLine() {
  // Read with plain calls: a stream would set up the C++ locale, a good part
  // of a short run's start.
  std::string bytes;
  if (const int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC); fd >= 0) {
    ReadAll(fd, &bytes, 4096);
    close(fd);
  }
  // Each argument ends with a NUL (the last may lack it).
  std::vector<std::string_view> args;
  for (std::string_view rest(bytes); !rest.empty();) {
    const size_t end = rest.find('\0');
    args.push_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  std::string line;
  for (size_t i = 1; i < args.size(); ++i) {
    if (i > 1) line += ' ';
    line += args[i];
  }
  return line;
}

ProgramVersion PosixSystem::Version() {
  return ProgramVersion{QMON_VERSION_MAJOR, QMON_VERSION_MINOR, QMON_VERSION_REVISION};
}

std::string ProgramFolderOf(const PathMap& map, std::string_view exe) {
  const size_t slash = exe.rfind('/');
  if (slash == std::string_view::npos) return ".";
  return map.Windows(slash == 0 ? std::string_view("/") : exe.substr(0, slash));
}

std::string PosixSystem::ProgramFolder() {
  char exe[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return ".";
  return ProgramFolderOf(map_, std::string_view(exe, static_cast<size_t>(n)));
}

void PosixSystem::StartProcess(const std::string& commandLine) {
  // Split as a Windows program would receive it: no shell sees the line, so
  // nothing in an installation path can run as a command.
  std::vector<std::string> args = SplitCommandLine(commandLine);
  if (args[0].empty()) throw VbError(vberr::kFileNotFound);
  // A program named by a Windows path lies on the emulated machine; a bare
  // name is looked up on PATH.
  if (args[0].find_first_of("\\:") != std::string::npos) args[0] = map_.Native(args[0]);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // The started program reports a failed exec through this pipe; a
  // successful exec closes it (close-on-exec) without a word.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) throw VbError(vberr::kOutOfMemory);
  // Double fork: the middle process ends at once and is reaped here, the
  // command is adopted by init, so no zombie stays behind and nothing waits.
  const pid_t middle = fork();
  if (middle < 0) {
    close(report[0]);
    close(report[1]);
    throw VbError(vberr::kOutOfMemory);
  }
  if (middle == 0) {
    close(report[0]);
    setsid();
    if (const pid_t started = fork(); started != 0) {
      if (started < 0) (void)!write(report[1], &errno, sizeof errno);
      _exit(0);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, STDIN_FILENO);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      if (null > STDERR_FILENO) close(null);
    }
    execvp(argv[0], argv.data());
    const int err = errno;
    (void)!write(report[1], &err, sizeof err);
    _exit(127);
  }
  close(report[1]);
  while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
  }
  int err = 0;
  ssize_t n;
  while ((n = read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  if (n != static_cast<ssize_t>(sizeof err)) return;
  // As Shell answers a program that cannot be started.
  throw VbError(err == ENOENT || err == ENOTDIR  ? vberr::kFileNotFound
                : err == EACCES || err == EPERM  ? vberr::kPermissionDenied
                : err == EAGAIN || err == ENOMEM ? vberr::kOutOfMemory
                                                 : vberr::kInvalidCall);
}

uint32_t PosixSystem::FormatSystemMessage(uint32_t code, char* buffer, uint32_t size) {
  for (const SystemMessage& m : kMessages) {
    if (m.code != code) continue;
    const std::string text = std::string(m.text) + "\r\n";
    if (!buffer || size < text.size() + 1) return 0;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<uint32_t>(text.size());
  }
  return 0;
}

}  // namespace qmon::platform::posix
