#include "platform/posix/path_map.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

#include "platform/case_file.h"
#include "support/temp_dir.h"

namespace qmon::platform::posix {
namespace {

TEST(PathMapTest, MapsBetweenWindowsAndNativePaths) {
  test::ScopedTempDir root;
  for (const char* folder : {"Agent/QSCC", "Scheduler INI", "data", "DATA", "Data"}) {
    std::filesystem::create_directories(root / ("drive_c/" + std::string(folder)));
  }
  const auto at_root = [&](std::string path) {
    return path.starts_with("~") ? root.path() + path.substr(1) : path;
  };
  char saved[PATH_MAX];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  const PathMap map(root.path());
  for (const auto& c : test::LoadCases("path_map")) {
    if (c[0] == "windows") {
      EXPECT_EQ(map.Windows(at_root(c[1])), at_root(c[2])) << c.where;
      continue;
    }
    if (c.fields.size() > 2) {
      EXPECT_EQ(chdir(at_root(c[2]).c_str()), 0) << c.where;
    }
    EXPECT_EQ(map.Native(at_root(c[0])), at_root(c[1])) << c.where;
  }
  ASSERT_EQ(chdir(saved), 0);
  // A trailing slash of the prefix does not count.
  const PathMap slash(root.path() + "/");
  EXPECT_EQ(slash.prefix(), root.path());
  EXPECT_EQ(slash.Native("C:\\x"), root / "drive_c/x");
  EXPECT_EQ(slash.Windows(root / "drive_c/x"), "C:\\x");
}

}  // namespace
}  // namespace qmon::platform::posix
