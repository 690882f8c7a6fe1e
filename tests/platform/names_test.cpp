#include "platform/posix/names.h"

#include <gtest/gtest.h>

#include "platform/case_file.h"

namespace qmon::platform::posix {
namespace {

// File names compare as the Windows file system compares them: upper-cased
// by its casing table, then by UTF-16 code unit ("differ": not equal, order
// not pinned).
TEST(WinNamesTest, CompareWithoutCaseByUtf16Units) {
  for (const auto& c : test::LoadCases("win_names")) {
    const std::string& a = c[0];
    const std::string& b = c[1];
    EXPECT_EQ(WinNameEquals(a, b), c[2] == "equal") << c.where;
    EXPECT_EQ(WinNameEquals(b, a), c[2] == "equal") << c.where;
    if (c[2] == "differ") continue;
    EXPECT_EQ(WinNameLess(a, b), c[2] == "less") << c.where;
    EXPECT_EQ(WinNameLess(b, a), c[2] == "greater") << c.where;
  }
}

}  // namespace
}  // namespace qmon::platform::posix
