#include "platform/posix/path_map.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace qmon::platform::posix {
namespace {

namespace fs = std::filesystem;

class PathMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char buffer[PATH_MAX];
    ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
    saved_cwd_ = buffer;
    fs::create_directories(root_ / "drive_c/Agent/QSCC");
    fs::create_directories(root_ / "drive_c/Scheduler INI");
  }
  void TearDown() override { ASSERT_EQ(chdir(saved_cwd_.c_str()), 0); }

  test::ScopedTempDir root_;
  PathMap map_{root_.path()};
  std::string saved_cwd_;
};

TEST_F(PathMapTest, MapsWindowsPathsUnderTheDrives) {
  const std::string c = root_ / "drive_c";
  const struct {
    const char* windows;
    std::string native;
  } cases[] = {
      {"C:\\Agent\\QSCC", c + "/Agent/QSCC"},
      {"C:/AGENT//QScc\\", c + "/Agent/QSCC"},
      {"C:\\Agent\\.\\QSCC\\..\\QSCC", c + "/Agent/QSCC"},
      {"C:\\..\\..\\agent", c + "/Agent"},
      {"c:", c},
      {"C:agent", c + "/Agent"},
      {"d:\\Data\\x.txt", root_ / "drive_d/Data/x.txt"},
      // Below a missing folder nothing is resolved.
      {"C:\\Other\\agent\\qscc", c + "/Other/agent/qscc"},
      {"C:\\Agent\\QSCC\\missing\\file.txt", c + "/Agent/QSCC/missing/file.txt"},
  };
  for (const auto& t : cases) EXPECT_EQ(map_.Native(t.windows), t.native) << t.windows;
  // Native paths resolve too.
  EXPECT_EQ(map_.Native(root_ / "DRIVE_C/agent"), root_ / "drive_c/Agent");
  EXPECT_EQ(map_.Native("/"), "/");
}

TEST_F(PathMapTest, TakesTheExactSpellingFirstThenTheFirstInListingOrder) {
  fs::create_directories(root_ / "drive_c/data");
  fs::create_directories(root_ / "drive_c/DATA");
  fs::create_directories(root_ / "drive_c/Data");
  EXPECT_EQ(map_.Native("C:\\data"), root_ / "drive_c/data");
  EXPECT_EQ(map_.Native("C:\\Data"), root_ / "drive_c/Data");
  EXPECT_EQ(map_.Native("C:\\dATA"), root_ / "drive_c/DATA");
}

TEST_F(PathMapTest, RelativePathsStartAtTheCurrentDirectory) {
  ASSERT_EQ(chdir((root_ / "drive_c/Agent").c_str()), 0);
  EXPECT_EQ(map_.Native("qscc\\x.ini"), root_ / "drive_c/Agent/QSCC/x.ini");
  EXPECT_EQ(map_.Native("..\\..\\..\\scheduler ini"), root_ / "drive_c/Scheduler INI");
  EXPECT_EQ(map_.Native("\\scheduler ini"), root_ / "drive_c/Scheduler INI");
  EXPECT_EQ(map_.Native(""), root_ / "drive_c/Agent");

  test::ScopedTempDir outside;
  fs::create_directories(outside / "Sub");
  ASSERT_EQ(chdir(outside.path().c_str()), 0);
  EXPECT_EQ(map_.Native("sub\\f"), outside / "Sub/f");
  EXPECT_EQ(map_.Native("\\"), "/");
}

TEST_F(PathMapTest, WindowsGivesDrivePathsBack) {
  const struct {
    std::string native;
    std::string windows;
  } cases[] = {
      {root_ / "drive_c/Agent/QSCC", "C:\\Agent\\QSCC"},
      {root_ / "drive_c", "C:\\"},
      {root_ / "drive_e/x", "E:\\x"},
      {root_ / "drive_cc/x", root_ / "drive_cc/x"},
      {root_.path(), root_.path()},
      {"/usr/bin", "/usr/bin"},
  };
  for (const auto& t : cases) EXPECT_EQ(map_.Windows(t.native), t.windows) << t.native;
  // A trailing slash of the prefix does not count.
  const PathMap slash(root_.path() + "/");
  EXPECT_EQ(slash.prefix(), root_.path());
  EXPECT_EQ(slash.Native("C:\\x"), root_ / "drive_c/x");
  EXPECT_EQ(slash.Windows(root_ / "drive_c/x"), "C:\\x");
}

}  // namespace
}  // namespace qmon::platform::posix
