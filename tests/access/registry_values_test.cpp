#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "access/access.h"
#include "support/run_fixture.h"

namespace qmon {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

class RegistryValuesTest : public test::RunFixture {};

TEST_F(RegistryValuesTest, SetCreatesTheKeyAndLogsItsHandle) {
  SetRegValue(run, platform::kHkeyLocalMachine, "Software\\Qavood", "Main", "abc123");
  SetRegValue(run, platform::kHkeyLocalMachine, "Software\\Qavood", "Event", "");
  EXPECT_EQ(machine.RegValue("SOFTWARE\\QAVOOD", "MAIN"), "abc123");
  EXPECT_EQ(machine.RegValue("SOFTWARE\\QAVOOD", "Event"), "");
  const auto lines = Logged();
  ASSERT_EQ(lines.size(), 2u);
  for (const auto& line : lines) {
    EXPECT_THAT(line, StartsWith("MSG : fncGetRegDisplayInfo  () - Ret for RegCreateKey "));
    EXPECT_NE(line.substr(line.rfind(' ') + 1), "0");  // a key was opened
  }
}

TEST_F(RegistryValuesTest, DeleteOfValueUnderMissingSubkeyCreatesItEmpty) {
  DelRegValue(run, platform::kHkeyLocalMachine, "Software\\Fresh", "Performance");
  EXPECT_EQ(machine.RegValue("Software\\Fresh", "Performance"), std::nullopt);
  platform::Hkey key = 0;
  EXPECT_EQ(machine.registry.OpenKeyEx(platform::kHkeyLocalMachine, "Software\\Fresh", 0,
                                       platform::kKeyRead, &key),
            0);
  EXPECT_TRUE(Logged().empty());
}

TEST_F(RegistryValuesTest, DeleteRemovesOnlyTheNamedValue) {
  SetRegValue(run, platform::kHkeyLocalMachine, "Software\\Qavood", "Performance", "p");
  SetRegValue(run, platform::kHkeyLocalMachine, "Software\\Qavood", "Event", "e");
  DelRegValue(run, platform::kHkeyLocalMachine, "Software\\Qavood", "performance");
  EXPECT_EQ(machine.RegValue("Software\\Qavood", "Performance"), std::nullopt);
  EXPECT_EQ(machine.RegValue("Software\\Qavood", "Event"), "e");
  // The agent identity beside them is untouched.
  EXPECT_EQ(machine.RegValue("Software\\Qavood", "REGID"), "1001");
}

TEST_F(RegistryValuesTest, KeyThatCannotBeCreatedLogsHandleZeroAndSetsNothing) {
  SetRegValue(run, platform::kHkeyLocalMachine, "\\Software\\Qavood", "Main", "x");
  EXPECT_THAT(Logged(), ElementsAre("MSG : fncGetRegDisplayInfo  () - Ret for RegCreateKey 0"));
  EXPECT_EQ(machine.RegValue("Software\\Qavood", "Main"), std::nullopt);
}

}  // namespace
}  // namespace qmon
