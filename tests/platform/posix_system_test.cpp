#include "platform/posix/posix_system.h"

#include <gmock/gmock.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/case_file.h"
#include "platform/vb_error.h"
#include "support/run_binary.h"
#include "support/temp_dir.h"

namespace qmon::platform::posix {
namespace {

namespace fs = std::filesystem;
using ::testing::Field;
using ::testing::Throws;

class PosixSystemTest : public ::testing::Test {
 protected:
  test::ScopedTempDir root_;
  PathMap map_{root_.path()};
};

// A lock that cannot be had is taken as held elsewhere: the run must not go
// ahead beside another one.
TEST_F(PosixSystemTest, ClaimsTheInstanceLockOnceAndFailsClosed) {
  PosixSystem system(map_);
  EXPECT_TRUE(system.ClaimSingleInstance());
  EXPECT_TRUE(system.ClaimSingleInstance());
  EXPECT_TRUE(fs::exists(root_ / "qMonIniWriter.lock"));
  EXPECT_FALSE(PosixSystem(map_).ClaimSingleInstance());
  EXPECT_FALSE(PosixSystem(PathMap(root_ / "no such folder")).ClaimSingleInstance());
  test::ScopedTempDir other;
  fs::create_directory(other / "qMonIniWriter.lock");
  EXPECT_FALSE(PosixSystem(PathMap(other.path())).ClaimSingleInstance());
  fs::remove(other / "qMonIniWriter.lock");
  fs::create_symlink(other / "elsewhere", other / "qMonIniWriter.lock");
  EXPECT_FALSE(PosixSystem(PathMap(other.path())).ClaimSingleInstance());
  EXPECT_FALSE(fs::exists(other / "elsewhere"));
}

TEST_F(PosixSystemTest, StartProcessRunsTheCommandDetachedWithoutTheLock) {
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  {
    PosixSystem holder(map_);
    ASSERT_TRUE(holder.ClaimSingleInstance());
    // The shell names its standard handles before the report redirects one.
    holder.StartProcess("/bin/sh -c \"echo $$ $(readlink /proc/$$/fd/0 /proc/$$/fd/1 "
                        "/proc/$$/fd/2) >&" + std::to_string(report[1]) + "; exec sleep 300\"");
  }
  close(report[1]);
  std::istringstream line(test::ReadLine(report[0]));
  close(report[0]);
  pid_t pid = 0;
  std::string in, out, err;
  ASSERT_TRUE(line >> pid >> in >> out >> err) << "the command did not run";
  EXPECT_EQ(in + " " + out + " " + err, "/dev/null /dev/null /dev/null");
  // Still running in its own session: StartProcess came back while it sleeps.
  EXPECT_EQ(kill(pid, 0), 0);
  EXPECT_NE(getsid(pid), getsid(0));
  // Not our child, and the middle process was reaped: no zombie remains.
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_LE(waitpid(-1, nullptr, WNOHANG), 0);
  // The holder is gone; the command did not inherit its lock.
  PosixSystem system(map_);
  EXPECT_TRUE(system.ClaimSingleInstance());
  kill(pid, SIGKILL);
}

// No shell reads the line: what a shell would run stays text, backslashes stay.
TEST_F(PosixSystemTest, StartProcessPassesTheArgumentsAsWindowsSplitsThem) {
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const fs::path marker = root_ / "ran";
  // A program on the emulated machine, named by its Windows path.
  fs::create_directories(root_ / "drive_c/Bin");
  std::ofstream(root_ / "drive_c/Bin/args.sh")
      << "#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$2\" >&" << report[1] << "\n";
  fs::permissions(root_ / "drive_c/Bin/args.sh", fs::perms::owner_all);
  PosixSystem(map_).StartProcess("c:\\bin\\ARGS.sh C:\\a;b$(touch${IFS}" + marker.string() +
                                 ")`id`\\q.dll \"-s x\"");
  close(report[1]);
  EXPECT_EQ(test::ReadLine(report[0]),
            "C:\\a;b$(touch${IFS}" + marker.string() + ")`id`\\q.dll|-s x");
  close(report[0]);
  EXPECT_FALSE(fs::exists(marker));

  PosixSystem system(map_);
  for (const char* line : {"regsvr32-is-not-here x -s", "C:\\Agent\\missing.exe", "\"\" x"}) {
    EXPECT_THAT([&] { system.StartProcess(line); },
                Throws<VbError>(Field(&VbError::number, vberr::kFileNotFound))) << line;
  }
}

TEST_F(PosixSystemTest, ProgramFolderIsTheExecutablesFolderInWindowsForm) {
  const struct {
    std::string exe;
    std::string folder;
  } cases[] = {
      {root_ / "drive_c/Agent/QSCC/qMonIniWriter", "C:\\Agent\\QSCC"},
      {root_ / "drive_d/qMonIniWriter", "D:\\"},
      {"/opt/qmon/bin/qMonIniWriter", "/opt/qmon/bin"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgramFolderOf(map_, c.exe), c.folder) << c.exe;

  PosixSystem system(map_);
  const std::string folder = system.ProgramFolder();
  EXPECT_EQ(folder, fs::canonical("/proc/self/exe").parent_path().string());
  EXPECT_NE(folder.back(), '/');
}

// The text fits with its NUL or nothing is written.
TEST_F(PosixSystemTest, FormatSystemMessageGivesTheEnglishTexts) {
  PosixSystem system(map_);
  for (const auto& c : test::LoadCases("system_messages")) {
    const std::string text = c.fields[1].value_or("");
    for (const uint32_t size : {uint32_t(text.size()), uint32_t(text.size() + 1), 300u}) {
      std::string buffer(301, '#');
      const uint32_t n = system.FormatSystemMessage(std::stoul(c[0]), buffer.data(), size);
      const bool fits = c.fields[1] && size > text.size();
      EXPECT_EQ(n, fits ? text.size() : 0u) << c.where << " in " << size;
      const std::string left = fits ? text + '\0' + '#' : std::string(text.size() + 2, '#');
      EXPECT_EQ(buffer.substr(0, text.size() + 2), left) << c.where << " in " << size;
    }
  }
}

}  // namespace
}  // namespace qmon::platform::posix
